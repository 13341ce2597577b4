#include "chart/sweep_image.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>

#include "chart/heat_map.h"
#include "chart/placement.h"
#include "chart/plot_frame.h"
#include "chart/surface.h"

namespace chart {

namespace {

std::vector<ListEntry> captionOf(const std::vector<QString>& lines) {
    std::vector<ListEntry> entries;
    entries.reserve(lines.size());
    for (const QString& line : lines) entries.push_back({line, QBColor(0)});
    return entries;
}

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

// A value of the colour scale in the axis' unit, with as many decimals as
// tell the scale's quarters apart.
QString scaleLabel(double value, double span) {
    const int decimals =
        span <= 0 ? 0 : std::clamp(1 - static_cast<int>(std::floor(std::log10(span / 4))), 0, 3);
    return QLocale(QLocale::German).toString(value, 'f', decimals);
}

QString unitOf(pandemie::Outcome measure) {
    return measure == pandemie::Outcome::peakDay ? QStringLiteral("Tag") : QStringLiteral("%");
}

}  // namespace

std::vector<QString> settingLines(const SweepSetting& setting,
                                  const std::vector<pandemie::Parameter>& swept) {
    QStringList fixed;
    for (const pandemie::ParameterInfo& info : pandemie::parameterTable)
        if (std::find(swept.begin(), swept.end(), info.parameter) == swept.end())
            fixed << fromTable(info.changeCaption)
                         .arg(pandemie::parameterValue(setting.parameters, info.parameter));
    const QString runs = setting.runsPerPoint == 1
                             ? QStringLiteral("Je Punkt 1 Lauf")
                             : QStringLiteral("Je Punkt %1 L\u00E4ufe").arg(setting.runsPerPoint);
    QString first = runs;
    if (!fixed.isEmpty()) first += QStringLiteral("; fest: ") + fixed.join(QStringLiteral(", "));
    QStringList changes;
    for (const auto& [day, label] : changeLabels(setting.changes)) changes << label;
    const QString second = QStringLiteral("\u00C4nderungen in jedem Lauf: ") +
                           (changes.isEmpty() ? QStringLiteral("keine") : changes.join(QStringLiteral("; ")));
    return {first, second};
}

QImage sweepLineImage(const SweepAxis& axis, pandemie::Outcome measure,
                      const std::vector<PointFigures>& points, const pandemie::RunScope& scope,
                      const SweepSetting& setting) {
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
    return withListBelow(picture.image(), captionOf(settingLines(setting, {axis.parameter})), 1);
}

QImage heatMapImage(const SweepAxis& x, const SweepAxis& y, pandemie::Outcome measure,
                    const std::vector<int>& medians, const pandemie::RunScope& scope,
                    const SweepSetting& setting) {
    Surface picture;
    const std::size_t ny = y.values.size();
    const auto onAxis = [&](int median) { return outcomeOnAxis(measure, median, scope); };
    double least = 0;
    double greatest = 0;
    if (!medians.empty()) {
        const auto [low, high] = std::minmax_element(medians.begin(), medians.end());
        least = onAxis(*low);
        greatest = onAxis(*high);
    }
    const double span = greatest - least;
    // All cells of one value take the scale's middle.
    const auto scaled = [&](double value) { return span > 0 ? (value - least) / span : 0.5; };
    drawHeatMap(picture, x, y,
                [&](std::size_t i, std::size_t j) { return viridis(scaled(onAxis(medians[i * ny + j]))); });
    std::array<QString, 5> quarters;
    for (std::size_t k = 0; k < quarters.size(); ++k)
        quarters.at(k) = span > 0 ? scaleLabel(least + span * static_cast<double>(k) / 4, span)
                                  : (k == 2 ? scaleLabel(least, 0) : QString());
    drawColourScale(picture, quarters, unitOf(measure));
    printHeatMapTitle(picture, outcomeCaption(measure, scope) + QStringLiteral("  (Median)"));
    std::vector<QString> lines = settingLines(setting, {x.parameter, y.parameter});
    lines.push_back(span > 0
                        ? QStringLiteral("Die Farbskala reicht vom kleinsten gezeigten Wert (%1 %3) bis zum "
                                         "gr\u00F6\u00DFten (%2 %3).")
                              .arg(scaleLabel(least, span), scaleLabel(greatest, span), unitOf(measure))
                        : QStringLiteral("Alle gezeigten Werte sind gleich (%1 %2).")
                              .arg(scaleLabel(least, 0), unitOf(measure)));
    return withListBelow(picture.image(), captionOf(lines), 1);
}

QImage sweepImage(const std::vector<SweepAxis>& axes, pandemie::Outcome measure,
                  const std::vector<pandemie::OutcomeStatistics>& points, const pandemie::RunScope& scope,
                  const SweepSetting& setting) {
    std::vector<PointFigures> figures;
    figures.reserve(points.size());
    for (const pandemie::OutcomeStatistics& point : points) {
        const pandemie::CountHistogram& values = point.histogram(measure);
        figures.push_back({values.percentile(10), values.percentile(50), values.percentile(90)});
    }
    if (axes.size() == 1) return sweepLineImage(axes[0], measure, figures, scope, setting);
    std::vector<int> medians;
    medians.reserve(figures.size());
    for (const PointFigures& point : figures) medians.push_back(point.p50);
    return heatMapImage(axes.at(0), axes.at(1), measure, medians, scope, setting);
}

}  // namespace chart
