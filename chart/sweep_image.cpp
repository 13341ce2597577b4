#include "chart/sweep_image.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "chart/heat_map.h"
#include "chart/plot_frame.h"
#include "chart/surface.h"

namespace chart {

namespace {

// The line image's plot area is the chart's, (60, 60)-(783, 560).
class LineAxes {
public:
    LineAxes(const SweepAxis& axis, pandemie::Outcome measure, const pandemie::RunScope& scope)
        : first_(axis.values.front()), last_(axis.values.back()), measure_(measure), scope_(scope) {}

    [[nodiscard]] double x(double value) const {
        if (first_ == last_) return 421.5;
        return 80 + 683 * (value - first_) / (last_ - first_);
    }
    [[nodiscard]] double y(double figure) const {
        return 560 - 500 * outcomeOnAxis(measure_, figure, scope_) / outcomeAxisTop(measure_, scope_);
    }

private:
    int first_;
    int last_;
    pandemie::Outcome measure_;
    pandemie::RunScope scope_;
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

void drawLineFrame(Surface& picture, const SweepAxis& axis, pandemie::Outcome measure, const LineAxes& axes,
                   const pandemie::RunScope& scope) {
    picture.setDrawWidth(1);
    picture.LineBox(60, 60, 783, 560, QBColor(0));
    const std::size_t step = labelStep(axis.values.size(), 12);
    for (std::size_t i = 0; i < axis.values.size(); i += step) {
        const double x = axes.x(axis.values[i]);
        picture.Line(x, 61, x, 559, QBColor(7));
        printText(picture, x, 566, QString::number(axis.values[i]), 9, Align::centre);
    }
    printText(picture, 421.5, 585, parameterCaption(axis.parameter), 11, Align::centre);
    const double top = outcomeAxisTop(measure, scope);
    for (int j = 0; j <= 5; ++j) {
        const double y = 560 - 100 * j;
        if (j > 0 && j < 5) picture.Line(61, y, 782, y, QBColor(7));
        printText(picture, 52, y - 7, QString::number(top * j / 5), 9, Align::right);
    }
    printText(picture, 60, 30,
              outcomeCaption(measure, scope) + QStringLiteral("  (Median und 10 - 90 % Band)"), 12);
}

}  // namespace

QImage sweepLineImage(const SweepAxis& axis, pandemie::Outcome measure,
                      const std::vector<PointFigures>& points, const pandemie::RunScope& scope) {
    Surface picture;
    const LineAxes axes(axis, measure, scope);
    shadeLineBand(picture, axis, points, axes);
    drawLineFrame(picture, axis, measure, axes, scope);
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
                    const std::vector<int>& medians, const pandemie::RunScope& scope) {
    Surface picture;
    const std::size_t ny = y.values.size();
    const double top = outcomeAxisTop(measure, scope);
    drawHeatMap(picture, x, y, [&](std::size_t i, std::size_t j) {
        return viridis(outcomeOnAxis(measure, medians[i * ny + j], scope) / top);
    });
    std::array<QString, 5> quarters;
    for (std::size_t k = 0; k < quarters.size(); ++k)
        quarters.at(k) = QString::number(top * static_cast<double>(k) / 4);
    drawColourScale(picture, quarters,
                    measure == pandemie::Outcome::peakDay ? QStringLiteral("Tag") : QStringLiteral("%"));
    printHeatMapTitle(picture, outcomeCaption(measure, scope) + QStringLiteral("  (Median)"));
    return picture.image();
}

QImage sweepImage(const std::vector<SweepAxis>& axes, pandemie::Outcome measure,
                  const std::vector<pandemie::OutcomeStatistics>& points, const pandemie::RunScope& scope) {
    std::vector<PointFigures> figures;
    figures.reserve(points.size());
    for (const pandemie::OutcomeStatistics& point : points) {
        const pandemie::CountHistogram& values = point.histogram(measure);
        figures.push_back({values.percentile(10), values.percentile(50), values.percentile(90)});
    }
    if (axes.size() == 1) return sweepLineImage(axes[0], measure, figures, scope);
    std::vector<int> medians;
    medians.reserve(figures.size());
    for (const PointFigures& point : figures) medians.push_back(point.p50);
    return heatMapImage(axes.at(0), axes.at(1), measure, medians, scope);
}

}  // namespace chart
