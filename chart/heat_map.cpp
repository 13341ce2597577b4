#include "chart/heat_map.h"

#include <algorithm>
#include <cmath>

#include "chart/plot_frame.h"

namespace chart {

namespace {

using pandemie::SweepAxis;

// Where the cells lie, (70, 60)-(640, 530); the colour scale stands right of them.
struct Edges {
    double left;
    double right;
    double top;
    double bottom;
};
constexpr Edges map{70, 640, 60, 530};
constexpr double scaleLeft = 680;
constexpr double scaleRight = 700;

double cellEdge(double from, double to, std::size_t index, std::size_t count) {
    return std::round(from + (to - from) * static_cast<double>(index) / static_cast<double>(count));
}

void drawCells(Surface& picture, std::size_t nx, std::size_t ny, const CellColour& colourOf) {
    for (std::size_t i = 0; i < nx; ++i) {
        for (std::size_t j = 0; j < ny; ++j) {
            picture.LineFilledBox(cellEdge(map.left, map.right, i, nx),
                                  cellEdge(map.bottom, map.top, j + 1, ny),
                                  cellEdge(map.left, map.right, i + 1, nx) - 1,
                                  cellEdge(map.bottom, map.top, j, ny) - 1, colourOf(i, j));
        }
    }
    picture.setDrawWidth(1);
    picture.LineBox(map.left - 1, map.top - 1, map.right, map.bottom, QBColor(0));
}

void drawMapAxes(Surface& picture, const SweepAxis& x, const SweepAxis& y) {
    const std::size_t nx = x.values.size();
    const std::size_t ny = y.values.size();
    for (std::size_t i = 0; i < nx; i += labelStep(nx, 12)) {
        const double centre =
            (cellEdge(map.left, map.right, i, nx) + cellEdge(map.left, map.right, i + 1, nx)) / 2;
        picture.Line(centre, map.bottom, centre, map.bottom + 4, QBColor(0));
        printText(picture, centre, map.bottom + 5, QString::number(x.values[i]), 9, Align::centre);
    }
    printText(picture, (map.left + map.right) / 2, map.bottom + 24, parameterCaption(x.parameter), 11,
              Align::centre);
    for (std::size_t j = 0; j < ny; j += labelStep(ny, 16)) {
        const double centre =
            (cellEdge(map.bottom, map.top, j, ny) + cellEdge(map.bottom, map.top, j + 1, ny)) / 2;
        picture.Line(map.left - 5, centre, map.left - 1, centre, QBColor(0));
        printText(picture, map.left - 8, centre - 7, QString::number(y.values[j]), 9, Align::right);
    }
    printText(picture, map.left - 40, map.top - 22, parameterCaption(y.parameter), 11);
}

}  // namespace

void drawHeatMap(Surface& picture, const SweepAxis& x, const SweepAxis& y, const CellColour& colourOf) {
    drawCells(picture, x.values.size(), y.values.size(), colourOf);
    drawMapAxes(picture, x, y);
}

void drawColourScale(Surface& picture, const std::array<QString, 5>& quarterLabels, const QString& caption) {
    for (int row = static_cast<int>(map.top); row <= static_cast<int>(map.bottom); ++row)
        picture.LineFilledBox(scaleLeft, row, scaleRight, row,
                              viridis((map.bottom - row) / (map.bottom - map.top)));
    picture.setDrawWidth(1);
    picture.LineBox(scaleLeft - 1, map.top - 1, scaleRight + 1, map.bottom + 1, QBColor(0));
    for (std::size_t k = 0; k < quarterLabels.size(); ++k) {
        const double y = map.bottom - (map.bottom - map.top) * static_cast<double>(k) / 4;
        picture.Line(scaleRight + 1, y, scaleRight + 5, y, QBColor(0));
        printText(picture, scaleRight + 8, y - 7, quarterLabels.at(k), 9);
    }
    // Either way clear of the top label, which starts at x = scaleRight + 8.
    constexpr double captionSize = 11;
    if (scaleLeft + textWidth(caption, captionSize) < scaleRight + 6) {
        printText(picture, scaleLeft, map.top - 22, caption, captionSize);
    } else {
        printText(picture, scaleRight + 1, map.top - 22, caption, captionSize, Align::right);
    }
}

void printHeatMapTitle(Surface& picture, const QString& title) {
    printText(picture, map.left - 40, 8, title, 12);
}

QColor viridis(double t) {
    // The scale at eighths of its length, linear in between.
    static constexpr std::array<std::array<int, 3>, 9> anchors{{{68, 1, 84},
                                                                {72, 40, 120},
                                                                {62, 73, 137},
                                                                {49, 104, 142},
                                                                {38, 130, 142},
                                                                {31, 158, 137},
                                                                {53, 183, 121},
                                                                {110, 206, 88},
                                                                {253, 231, 37}}};
    // Not a number counts as 0.
    const double position = (t > 0 ? std::min(t, 1.0) : 0.0) * (anchors.size() - 1);
    const auto below = std::min(static_cast<std::size_t>(position), anchors.size() - 2);
    const double weight = position - static_cast<double>(below);
    const auto mix = [&](std::size_t c) {
        return static_cast<int>(
            std::lround(anchors[below][c] + (anchors[below + 1][c] - anchors[below][c]) * weight));
    };
    return {mix(0), mix(1), mix(2)};
}

}  // namespace chart
