#include "chart/scenario_image.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "chart/plot_frame.h"
#include "chart/surface.h"

namespace chart {

namespace {

std::size_t shownOf(const std::vector<ScenarioCourses>& scenarios) {
    return std::min(scenarios.size(), shownScenarios);
}

// The percent scale: the smallest of these that holds every band shown.
double percentTop(const std::vector<ScenarioCourses>& scenarios) {
    int highest = 0;
    for (std::size_t s = 0; s < shownOf(scenarios); ++s)
        for (const pandemie::DailyCounts& counts : scenarios[s].courses.p90)
            highest = std::max(highest, counts.countInfected);
    for (const double top : {10.0, 20.0, 50.0})
        if (highest <= top * 10) return top;
    return 100;
}

class InfectedAxis {
public:
    explicit InfectedAxis(double top) : top_(top) {}
    [[nodiscard]] double top() const { return top_; }
    [[nodiscard]] double y(double count) const { return 560 - 500 * (count / 10.0) / top_; }

private:
    double top_;
};

void shadeScenarioBand(Surface& picture, const ScenarioCourses& scenario, const InfectedAxis& axis,
                       QColor colour) {
    colour.setAlpha(56);  // overlapping bands stay visible through each other
    shadeBand(
        picture, scenario.courses.p10, scenario.courses.p90, pandemie::Series::infected,
        [&](double count) { return axis.y(count); }, colour);
}

// The days of the scenarios' courses, which are all of one length.
DayAxis dayAxisOf(const std::vector<ScenarioCourses>& scenarios) {
    return scenarios.empty() ? DayAxis{} : DayAxis::of(scenarios.front().courses.p50);
}

void drawMedian(Surface& picture, const pandemie::Trajectory& median, const InfectedAxis& axis,
                const QColor& colour) {
    const DayAxis days = DayAxis::of(median);
    picture.setDrawWidth(2);
    for (int day = 2; day <= days.days; ++day) {
        picture.Line(days.x(day - 1), axis.y(DayAxis::countsOn(median, day - 1).countInfected), days.x(day),
                     axis.y(DayAxis::countsOn(median, day).countInfected), colour);
    }
    picture.setDrawWidth(1);
}

void drawFrame(Surface& picture, const InfectedAxis& axis, const DayAxis& days) {
    const int step = days.labelStep();
    picture.setDrawWidth(1);
    picture.LineBox(60, 60, 783, 560, QBColor(0));
    for (int day = step; day < days.days; day += step)
        picture.Line(days.x(day), 60, days.x(day), 560, QBColor(7));
    for (int j = 1; j <= 4; ++j) picture.Line(61, 60 + 100 * j, 782, 60 + 100 * j, QBColor(7));
    for (int day = 0; day <= days.days; day += step)
        printText(picture, days.x(day), 568, QString::number(day), 9, Align::centre);
    printText(picture, 705, 585, QStringLiteral("Tage"), 9);
    for (int j = 0; j <= 5; ++j) {
        const double percent = axis.top() * j / 5;
        printText(picture, 52, 553 - 100 * j, QString::number(percent), 9, Align::right);
    }
    printText(picture, 60, 30, QStringLiteral("aktuell Infizierte in %  (Median und 10 - 90 % Band)"), 12);
}

constexpr double legendTextSize = 11;
constexpr double legendRowHeight = 18;
constexpr double legendRight = 773;
constexpr double longestName = 320;

std::vector<pandemie::Schedule> shownSchedules(const std::vector<ScenarioCourses>& scenarios) {
    std::vector<pandemie::Schedule> schedules;
    for (std::size_t s = 0; s < shownOf(scenarios); ++s) schedules.push_back(scenarios[s].changes);
    return schedules;
}

QString moreScenarios(std::size_t count) {
    return count == 1 ? QStringLiteral("\u2026 und 1 weiteres Szenario")
                      : QStringLiteral("\u2026 und %1 weitere Szenarien").arg(count);
}

// The legend stands at the top, y = 70, or as little below as keeps it clear
// of the change labels: just under one of them.
double legendTop(const ChangeLabelLayout& changes, QRectF legend) {
    const double highest = legend.top();
    std::vector<double> tops{highest};
    for (const ChangeLabel& label : changes.labels) tops.push_back(label.box.bottom() + 4);
    if (!changes.note.isEmpty()) tops.push_back(changes.noteBox.bottom() + 4);
    std::sort(tops.begin(), tops.end());
    const auto clear = [&](double top) {
        legend.moveTop(top);
        return std::none_of(changes.labels.begin(), changes.labels.end(),
                            [&](const ChangeLabel& label) { return label.box.intersects(legend); }) &&
               (changes.note.isEmpty() || !changes.noteBox.intersects(legend));
    };
    for (const double top : tops)
        if (top >= highest && clear(top)) return top;
    return std::max(highest, changes.bottom + 4);
}

void drawLegend(Surface& picture, const ScenarioLayout& layout) {
    const QRectF& box = layout.legend;
    // Both corners of a box belong to it.
    picture.LineFilledBox(box.left(), box.top(), box.right() - 1, box.bottom() - 1, QBColor(15));
    picture.LineBox(box.left(), box.top(), box.right() - 1, box.bottom() - 1, QBColor(8));
    for (std::size_t s = 0; s < layout.entries.size(); ++s) {
        const LegendEntry& entry = layout.entries[s];
        picture.LineFilledBox(entry.swatch.left(), entry.swatch.top(), entry.swatch.right() - 1,
                              entry.swatch.bottom() - 1, scenarioColour(s));
        printText(picture, entry.text.left(), entry.text.top(), entry.name, legendTextSize, Align::left,
                  QBColor(0));
    }
    if (!layout.note.isEmpty())
        printText(picture, layout.noteText.left(), layout.noteText.top(), layout.note, legendTextSize,
                  Align::left, QBColor(8));
}

}  // namespace

QColor scenarioColour(std::size_t index) {
    static const std::array<QColor, 8> colours{QBColor(12),          QColor(0, 90, 220),  QColor(0, 150, 60),
                                               QColor(150, 60, 190), QColor(230, 130, 0), QColor(0, 150, 160),
                                               QColor(140, 90, 40),  QBColor(8)};
    static_assert(colours.size() == shownScenarios);
    return colours.at(index % colours.size());
}

ScenarioLayout scenarioLayout(const std::vector<ScenarioCourses>& scenarios) {
    constexpr int labelRows = 5;
    ScenarioLayout layout;
    layout.changes =
        layoutChangeLabels(shownSchedules(scenarios), labelRows, firstLabelRowTop, dayAxisOf(scenarios));
    const std::size_t shown = shownOf(scenarios);
    if (shown < scenarios.size()) layout.note = moreScenarios(scenarios.size() - shown);
    double widest = textWidth(layout.note, legendTextSize) - 28;
    std::vector<QString> names;
    for (std::size_t s = 0; s < shown; ++s) {
        names.push_back(shortened(scenarios[s].name, legendTextSize, longestName));
        widest = std::max(widest, textWidth(names.back(), legendTextSize));
    }
    const double left = legendRight - widest - 44;
    const std::size_t rows = shown + (layout.note.isEmpty() ? 0 : 1);
    const double height = 9 + legendRowHeight * static_cast<double>(rows);
    const double top = legendTop(layout.changes, QRectF(left, 70, legendRight - left + 1, height));
    const auto rowTop = [&](std::size_t row) { return top + 4 + legendRowHeight * static_cast<double>(row); };
    for (std::size_t s = 0; s < shown; ++s)
        layout.entries.push_back(
            {names[s], QRectF(left + 8, rowTop(s) + 5, 23, 8),
             QRectF(left + 36, rowTop(s), textWidth(names[s], legendTextSize), legendRowHeight)});
    if (!layout.note.isEmpty())
        layout.noteText =
            QRectF(left + 8, rowTop(shown), textWidth(layout.note, legendTextSize), legendRowHeight);
    layout.legend = QRectF(left, top, legendRight - left + 1, height);
    return layout;
}

QImage scenarioImage(const std::vector<ScenarioCourses>& scenarios) {
    Surface picture;
    const InfectedAxis axis(percentTop(scenarios));
    const std::size_t shown = shownOf(scenarios);
    for (std::size_t s = 0; s < shown; ++s) shadeScenarioBand(picture, scenarios[s], axis, scenarioColour(s));
    drawFrame(picture, axis, dayAxisOf(scenarios));
    for (std::size_t s = 0; s < shown; ++s)
        drawMedian(picture, scenarios[s].courses.p50, axis, scenarioColour(s));
    const ScenarioLayout layout = scenarioLayout(scenarios);
    drawChangeMarkers(picture, shownSchedules(scenarios), layout.changes, &scenarioColour,
                      dayAxisOf(scenarios));
    drawLegend(picture, layout);
    return picture.image();
}

QImage scenarioImage(const std::vector<pandemie::Scenario>& scenarios,
                     const pandemie::ScenarioResults& results) {
    std::vector<ScenarioCourses> courses;
    for (std::size_t s = 0; s < scenarios.size(); ++s)
        courses.push_back(
            {QString::fromStdString(scenarios[s].name), results.bands[s].courses(), scenarios[s].changes});
    return scenarioImage(courses);
}

}  // namespace chart
