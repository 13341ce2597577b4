#include "chart/scenario_image.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "chart/fit_image.h"
#include "chart/placement.h"
#include "chart/plot_frame.h"
#include "chart/surface.h"

namespace chart {

namespace {

std::size_t shownOf(const std::vector<ScenarioCourses>& scenarios) {
    return std::min(scenarios.size(), shownScenarios);
}

// The percent scale: the smallest of these that holds every band shown.
double percentTop(const std::vector<ScenarioCourses>& scenarios,
                  const std::optional<ObservedFigure>& observed) {
    double highest = 0;
    for (std::size_t s = 0; s < shownOf(scenarios); ++s)
        for (const pandemie::DailyCounts& counts : scenarios[s].courses.p90)
            highest = std::max(highest, static_cast<double>(counts.countInfected) / 10);
    if (observed)
        for (const pandemie::ObservedDay& day : observed->observed.days)
            if (const auto& count = day.counts.at(static_cast<std::size_t>(pandemie::Series::infected)))
                highest = std::max(highest, *count * 100.0 / observed->persons);
    for (const double top : {10.0, 20.0, 50.0})
        if (highest <= top) return top;
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

// Each pixel column of the shown scenarios' bands: a part in one band in
// that band's tint, a part in more than one in the overlap grey.
void shadeScenarioBands(Surface& picture, const std::vector<ScenarioCourses>& scenarios,
                        const InfectedAxis& axis, const DayAxis& days) {
    const std::size_t shown = shownOf(scenarios);
    if (shown == 0) return;
    for (auto x = static_cast<int>(std::ceil(days.x(1))); x <= days.x(days.days); ++x) {
        std::vector<std::pair<double, double>> spans;  // top and bottom row of each band
        for (std::size_t s = 0; s < shown; ++s) {
            const auto rowAt = [&](const pandemie::Trajectory& course) {
                return std::round(axis.y(countAt(course, pandemie::Series::infected, x)));
            };
            spans.emplace_back(rowAt(scenarios[s].courses.p90), rowAt(scenarios[s].courses.p10));
        }
        std::vector<double> edges;
        for (const auto& [top, bottom] : spans) {
            edges.push_back(top);
            edges.push_back(bottom + 1);
        }
        std::sort(edges.begin(), edges.end());
        for (std::size_t e = 0; e + 1 < edges.size(); ++e) {
            if (edges[e + 1] <= edges[e]) continue;
            std::size_t count = 0;
            std::size_t which = 0;
            for (std::size_t s = 0; s < shown; ++s)
                if (spans[s].first <= edges[e] && edges[e + 1] - 1 <= spans[s].second) {
                    ++count;
                    which = s;
                }
            if (count > 0)
                picture.LineFilledBox(x, edges[e], x, edges[e + 1] - 1,
                                      count == 1 ? scenarioTint(which) : overlapColour());
        }
    }
}

void drawCourse(Surface& picture, const pandemie::Trajectory& course, const InfectedAxis& axis,
                const QColor& colour, int width) {
    const DayAxis days = DayAxis::of(course);
    picture.setDrawWidth(width);
    for (int day = 2; day <= days.days; ++day) {
        picture.Line(days.x(day - 1), axis.y(DayAxis::countsOn(course, day - 1).countInfected), days.x(day),
                     axis.y(DayAxis::countsOn(course, day).countInfected), colour);
    }
    picture.setDrawWidth(1);
}

// The days of the scenarios' courses, which are all of one length.
DayAxis dayAxisOf(const std::vector<ScenarioCourses>& scenarios) {
    return scenarios.empty() ? DayAxis{} : DayAxis::of(scenarios.front().courses.p50);
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

void drawLegend(Surface& picture, const ScenarioLayout& layout) {
    const QRectF& box = layout.legend;
    // Both corners of a box belong to it.
    picture.LineFilledBox(box.left(), box.top(), box.right() - 1, box.bottom() - 1, QBColor(15));
    picture.LineBox(box.left(), box.top(), box.right() - 1, box.bottom() - 1, QBColor(8));
    for (std::size_t s = 0; s < layout.entries.size(); ++s) {
        const LegendEntry& entry = layout.entries[s];
        const QRectF& swatch = entry.swatch;
        const bool overlap = s + 1 == layout.entries.size() && layout.entries.size() > 1;
        picture.LineFilledBox(swatch.left(), swatch.top(), swatch.right() - 1, swatch.bottom() - 1,
                              overlap ? overlapColour() : scenarioTint(s));
        if (!overlap) {
            picture.LineBox(swatch.left(), swatch.top(), swatch.right() - 1, swatch.bottom() - 1,
                            scenarioColour(s));
            picture.setDrawWidth(2);
            picture.Line(swatch.left(), swatch.center().y(), swatch.right() - 1, swatch.center().y(),
                         scenarioColour(s));
            picture.setDrawWidth(1);
        }
        printText(picture, entry.text.left(), entry.text.top(), entry.name, legendTextSize, Align::left,
                  QBColor(0));
    }
    if (!layout.note.isEmpty())
        printText(picture, layout.noteText.left(), layout.noteText.top(), layout.note, legendTextSize,
                  Align::left, QBColor(8));
}

QString overlapName() {
    return QStringLiteral("B\u00E4nder \u00FCberlagert");
}

}  // namespace

QColor scenarioColour(std::size_t index) {
    static const std::array<QColor, 8> colours{
        QColor(213, 94, 0),  QColor(0, 114, 178),  QColor(0, 158, 115), QColor(204, 121, 167),
        QColor(230, 159, 0), QColor(86, 180, 233), QColor(0, 0, 0),     QColor(240, 228, 66)};
    static_assert(colours.size() == shownScenarios);
    return colours.at(index % colours.size());
}

QColor scenarioTint(std::size_t index) {
    const QColor colour = scenarioColour(index);
    const auto tint = [](int component) { return component + (255 - component) * 4 / 5; };
    return {tint(colour.red()), tint(colour.green()), tint(colour.blue())};
}

QColor overlapColour() {
    return {226, 226, 226};
}

ScenarioLayout ScenarioLayout::movedTo(QPointF topLeft) const {
    ScenarioLayout moved = *this;
    const QPointF by = topLeft - legend.topLeft();
    moved.legend.translate(by);
    for (LegendEntry& entry : moved.entries) {
        entry.swatch.translate(by);
        entry.text.translate(by);
    }
    moved.noteText.translate(by);
    return moved;
}

ScenarioLayout scenarioLayout(const std::vector<ScenarioCourses>& scenarios,
                              const std::vector<QRectF>& taken) {
    ScenarioLayout layout;
    layout.changes = layoutChangeLabels(shownSchedules(scenarios), dayAxisOf(scenarios), taken);
    const std::size_t shown = shownOf(scenarios);
    if (shown < scenarios.size()) layout.note = moreScenarios(scenarios.size() - shown);
    double widest = textWidth(layout.note, legendTextSize) - 28;
    std::vector<QString> names;
    for (std::size_t s = 0; s < shown; ++s)
        names.push_back(shortened(scenarios[s].name, legendTextSize, longestName));
    if (shown > 1) names.push_back(overlapName());
    for (const QString& name : names) widest = std::max(widest, textWidth(name, legendTextSize));
    const std::size_t rows = names.size() + (layout.note.isEmpty() ? 0 : 1);
    const auto rowTop = [&](std::size_t row) { return 4 + legendRowHeight * static_cast<double>(row); };
    for (std::size_t s = 0; s < names.size(); ++s)
        layout.entries.push_back(
            {names[s], QRectF(8, rowTop(s) + 4, 23, 10),
             QRectF(36, rowTop(s), textWidth(names[s], legendTextSize), legendRowHeight)});
    if (!layout.note.isEmpty())
        layout.noteText =
            QRectF(8, rowTop(names.size()), textWidth(layout.note, legendTextSize), legendRowHeight);
    layout.legend = QRectF(0, 0, widest + 44, 9 + legendRowHeight * static_cast<double>(rows));
    return layout;
}

QImage scenarioImage(const std::vector<ScenarioCourses>& scenarios,
                     const std::optional<ObservedFigure>& observed) {
    Surface picture;
    const InfectedAxis axis(percentTop(scenarios, observed));
    const DayAxis days = dayAxisOf(scenarios);
    const std::size_t shown = shownOf(scenarios);
    const std::optional<ChangeLabel> lastDay =
        observed ? lastObservationLabel(observed->observed, days) : std::nullopt;
    const ScenarioLayout placed =
        scenarioLayout(scenarios, lastDay ? std::vector{lastDay->box} : std::vector<QRectF>{});
    shadeScenarioBands(picture, scenarios, axis, days);
    drawFrame(picture, axis, days);
    drawChangeLines(picture, placed.changes, &scenarioColour, days);
    drawLastObservationLine(picture, lastDay, days);
    for (std::size_t s = 0; s < shown; ++s) {
        drawCourse(picture, scenarios[s].courses.p10, axis, scenarioColour(s), 1);
        drawCourse(picture, scenarios[s].courses.p90, axis, scenarioColour(s), 1);
    }
    for (std::size_t s = 0; s < shown; ++s)
        drawCourse(picture, scenarios[s].courses.p50, axis, scenarioColour(s), 2);
    if (observed)
        drawObservedCounts(picture, observed->observed, pandemie::Series::infected, days, [&](double count) {
            return std::clamp(axis.y(count * pandemie::countedPersons / observed->persons), 60.0, 560.0);
        });
    drawChangeLabels(picture, placed.changes, &scenarioColour);
    drawLastObservationLabel(picture, lastDay);

    std::vector<ListEntry> listed;
    const std::optional<QRectF> spot =
        freeSpot(picture.image(), placed.legend.size(), plotInside, {QBColor(15), QBColor(7)});
    if (spot) {
        drawLegend(picture, placed.movedTo(spot->topLeft()));
    } else {
        for (std::size_t s = 0; s < placed.entries.size(); ++s)
            listed.push_back({placed.entries[s].name, s < shown ? scenarioColour(s) : QBColor(8)});
        if (!placed.note.isEmpty()) listed.push_back({placed.note, QBColor(8)});
    }
    const std::vector<ListEntry> changes = listedChanges(placed.changes, &scenarioColour);
    listed.insert(listed.end(), changes.begin(), changes.end());
    return withListBelow(picture.image(), listed);
}

QImage scenarioImage(const std::vector<pandemie::Scenario>& scenarios,
                     const pandemie::ScenarioResults& results,
                     const std::optional<ObservedFigure>& observed) {
    std::vector<ScenarioCourses> courses;
    for (std::size_t s = 0; s < scenarios.size(); ++s)
        courses.push_back(
            {QString::fromStdString(scenarios[s].name), results.bands[s].courses(), scenarios[s].changes});
    return scenarioImage(courses, observed);
}

}  // namespace chart
