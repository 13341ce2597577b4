#pragma once
// The scenarios of one comparison in one chart: each scenario's median of
// "aktuell Infizierte" over its 10..90 % band, one colour each, with a legend
// of their names and their change days marked.

#include <QImage>
#include <QRectF>
#include <QString>

#include <vector>

#include "chart/change_labels.h"
#include "model/band_stats.h"
#include "model/scenario.h"

namespace chart {

struct ScenarioCourses {
    QString name;
    pandemie::PercentileCourses courses;
    pandemie::Schedule changes;
};

// The overlay shows the first shownScenarios scenarios, each in a colour of
// its own; the legend counts the others.
inline constexpr std::size_t shownScenarios = 8;

// The colour of scenario `index` (below shownScenarios); the first is the chart's light red.
[[nodiscard]] QColor scenarioColour(std::size_t index);

struct LegendEntry {
    QString name;  // shortened with "…" where it is long
    QRectF swatch;
    QRectF text;
};

// Where the change labels and the legend go: the labels in rows at the top
// of the plot area, the legend below them at its right edge.
struct ScenarioLayout {
    ChangeLabelLayout changes;
    QRectF legend;
    std::vector<LegendEntry> entries;
    QString note;  // "… und 992 weitere Szenarien", empty when all are shown
    QRectF noteText;
};

[[nodiscard]] ScenarioLayout scenarioLayout(const std::vector<ScenarioCourses>& scenarios);

[[nodiscard]] QImage scenarioImage(const std::vector<ScenarioCourses>& scenarios);

// The same for the scenarios of a comparison and their results.
[[nodiscard]] QImage scenarioImage(const std::vector<pandemie::Scenario>& scenarios,
                                   const pandemie::ScenarioResults& results);

}  // namespace chart
