#include "chart/sweep_image.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "chart/plot_frame.h"
#include "chart/surface.h"

namespace chart {

namespace {

// Every value labelled while there is room, else every second, third, ...
std::size_t labelStep(std::size_t values, std::size_t room) {
    return std::max<std::size_t>(1, (values + room - 1) / room);
}

// The line image's plot area is the chart's, (60, 60)-(783, 560).
class LineAxes {
public:
    LineAxes(const SweepAxis& axis, pandemie::Outcome measure)
        : first_(axis.values.front()), last_(axis.values.back()), measure_(measure) {}

    [[nodiscard]] double x(double value) const {
        if (first_ == last_) return 421.5;
        return 80 + 683 * (value - first_) / (last_ - first_);
    }
    [[nodiscard]] double y(double figure) const {
        return 560 - 500 * outcomeOnAxis(measure_, figure) / outcomeAxisTop(measure_);
    }

private:
    int first_;
    int last_;
    pandemie::Outcome measure_;
};

void shadeLineBand(Surface& picture, const SweepAxis& axis, const std::vector<PointFigures>& points,
                   const LineAxes& axes) {
    const QColor tint(190, 205, 255);
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const auto left = static_cast<int>(std::lround(axes.x(axis.values[i])));
        const auto right = static_cast<int>(std::lround(axes.x(axis.values[i + 1])));
        for (int x = left; x <= right; ++x) {
            const double w = right > left ? static_cast<double>(x - left) / (right - left) : 0;
            const double p90 = points[i].p90 + (points[i + 1].p90 - points[i].p90) * w;
            const double p10 = points[i].p10 + (points[i + 1].p10 - points[i].p10) * w;
            picture.LineFilledBox(x, std::round(axes.y(p90)), x, std::round(axes.y(p10)), tint);
        }
    }
    if (points.size() == 1) {
        const double x = std::round(axes.x(axis.values[0]));
        picture.LineFilledBox(x - 3, std::round(axes.y(points[0].p90)), x + 3,
                              std::round(axes.y(points[0].p10)), tint);
    }
}

void drawLineFrame(Surface& picture, const SweepAxis& axis, pandemie::Outcome measure, const LineAxes& axes) {
    picture.setDrawWidth(1);
    picture.LineBox(60, 60, 783, 560, QBColor(0));
    const std::size_t step = labelStep(axis.values.size(), 12);
    for (std::size_t i = 0; i < axis.values.size(); i += step) {
        const double x = axes.x(axis.values[i]);
        picture.Line(x, 61, x, 559, QBColor(7));
        printText(picture, x, 566, QString::number(axis.values[i]), 9, Align::centre);
    }
    printText(picture, 421.5, 585, parameterCaption(axis.parameter), 11, Align::centre);
    const double top = outcomeAxisTop(measure);
    for (int j = 0; j <= 5; ++j) {
        const double y = 560 - 100 * j;
        if (j > 0 && j < 5) picture.Line(61, y, 782, y, QBColor(7));
        printText(picture, 52, y - 7, QString::number(top * j / 5), 9, Align::right);
    }
    printText(picture, 60, 30, outcomeCaption(measure) + QStringLiteral("  (Median und 10 - 90 % Band)"), 12);
}

// The heat map's cells fill (70, 60)-(640, 530); the colour scale stands right of it.
constexpr double mapLeft = 70;
constexpr double mapRight = 640;
constexpr double mapTop = 60;
constexpr double mapBottom = 530;
constexpr double scaleLeft = 680;
constexpr double scaleRight = 700;

double cellEdge(double from, double to, std::size_t index, std::size_t count) {
    return std::round(from + (to - from) * static_cast<double>(index) / static_cast<double>(count));
}

void drawCells(Surface& picture, const SweepAxis& x, const SweepAxis& y, pandemie::Outcome measure,
               const std::vector<int>& medians) {
    const std::size_t nx = x.values.size();
    const std::size_t ny = y.values.size();
    for (std::size_t i = 0; i < nx; ++i) {
        for (std::size_t j = 0; j < ny; ++j) {
            const double share = outcomeOnAxis(measure, medians[i * ny + j]) / outcomeAxisTop(measure);
            picture.LineFilledBox(cellEdge(mapLeft, mapRight, i, nx), cellEdge(mapBottom, mapTop, j + 1, ny),
                                  cellEdge(mapLeft, mapRight, i + 1, nx) - 1,
                                  cellEdge(mapBottom, mapTop, j, ny) - 1, viridis(share));
        }
    }
    picture.setDrawWidth(1);
    picture.LineBox(mapLeft - 1, mapTop - 1, mapRight, mapBottom, QBColor(0));
}

void drawMapAxes(Surface& picture, const SweepAxis& x, const SweepAxis& y) {
    const std::size_t nx = x.values.size();
    const std::size_t ny = y.values.size();
    for (std::size_t i = 0; i < nx; i += labelStep(nx, 12)) {
        const double centre =
            (cellEdge(mapLeft, mapRight, i, nx) + cellEdge(mapLeft, mapRight, i + 1, nx)) / 2;
        picture.Line(centre, mapBottom, centre, mapBottom + 4, QBColor(0));
        printText(picture, centre, mapBottom + 5, QString::number(x.values[i]), 9, Align::centre);
    }
    printText(picture, (mapLeft + mapRight) / 2, mapBottom + 24, parameterCaption(x.parameter), 11,
              Align::centre);
    for (std::size_t j = 0; j < ny; j += labelStep(ny, 16)) {
        const double centre =
            (cellEdge(mapBottom, mapTop, j, ny) + cellEdge(mapBottom, mapTop, j + 1, ny)) / 2;
        picture.Line(mapLeft - 5, centre, mapLeft - 1, centre, QBColor(0));
        printText(picture, mapLeft - 8, centre - 7, QString::number(y.values[j]), 9, Align::right);
    }
    printText(picture, mapLeft - 40, mapTop - 22, parameterCaption(y.parameter), 11);
}

void drawColourScale(Surface& picture, pandemie::Outcome measure) {
    for (int row = static_cast<int>(mapTop); row <= static_cast<int>(mapBottom); ++row)
        picture.LineFilledBox(scaleLeft, row, scaleRight, row,
                              viridis((mapBottom - row) / (mapBottom - mapTop)));
    picture.setDrawWidth(1);
    picture.LineBox(scaleLeft - 1, mapTop - 1, scaleRight + 1, mapBottom + 1, QBColor(0));
    const double top = outcomeAxisTop(measure);
    for (int k = 0; k <= 4; ++k) {
        const double y = mapBottom - (mapBottom - mapTop) * k / 4;
        picture.Line(scaleRight + 1, y, scaleRight + 5, y, QBColor(0));
        printText(picture, scaleRight + 8, y - 7, QString::number(top * k / 4), 9);
    }
    printText(picture, scaleLeft, mapTop - 22,
              measure == pandemie::Outcome::peakDay ? QStringLiteral("Tag") : QStringLiteral("%"), 11);
}

}  // namespace

QImage sweepLineImage(const SweepAxis& axis, pandemie::Outcome measure,
                      const std::vector<PointFigures>& points) {
    Surface picture;
    const LineAxes axes(axis, measure);
    shadeLineBand(picture, axis, points, axes);
    drawLineFrame(picture, axis, measure, axes);
    const QColor lineColour(0, 60, 200);
    picture.setDrawWidth(2);
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
        picture.Line(axes.x(axis.values[i]), axes.y(points[i].p50), axes.x(axis.values[i + 1]),
                     axes.y(points[i + 1].p50), lineColour);
    picture.setDrawWidth(5);
    for (std::size_t i = 0; i < points.size(); ++i)
        picture.PSet(axes.x(axis.values[i]), axes.y(points[i].p50), lineColour);
    return picture.image();
}

QImage heatMapImage(const SweepAxis& x, const SweepAxis& y, pandemie::Outcome measure,
                    const std::vector<int>& medians) {
    Surface picture;
    drawCells(picture, x, y, measure, medians);
    drawMapAxes(picture, x, y);
    drawColourScale(picture, measure);
    printText(picture, mapLeft - 40, 8, outcomeCaption(measure) + QStringLiteral("  (Median)"), 12);
    return picture.image();
}

QImage sweepImage(const std::vector<SweepAxis>& axes, pandemie::Outcome measure,
                  const std::vector<pandemie::OutcomeStatistics>& points) {
    std::vector<PointFigures> figures;
    figures.reserve(points.size());
    for (const pandemie::OutcomeStatistics& point : points) {
        const pandemie::CountHistogram& values = point.histogram(measure);
        figures.push_back({values.percentile(10), values.percentile(50), values.percentile(90)});
    }
    if (axes.size() == 1) return sweepLineImage(axes[0], measure, figures);
    std::vector<int> medians;
    medians.reserve(figures.size());
    for (const PointFigures& point : figures) medians.push_back(point.p50);
    return heatMapImage(axes.at(0), axes.at(1), measure, medians);
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
    const double position = std::clamp(t, 0.0, 1.0) * (anchors.size() - 1);
    const auto below = std::min(static_cast<std::size_t>(position), anchors.size() - 2);
    const double weight = position - static_cast<double>(below);
    const auto mix = [&](std::size_t c) {
        return static_cast<int>(
            std::lround(anchors[below][c] + (anchors[below + 1][c] - anchors[below][c]) * weight));
    };
    return {mix(0), mix(1), mix(2)};
}

}  // namespace chart
