#pragma once
// The scenarios of one comparison in one chart: each scenario's median of
// "aktuell Infizierte" over its 10..90 % band, one colour each, with a legend
// of their names and their change days marked. A band is a pale tint of its
// scenario's colour with outlines in that colour; where bands overlap they
// are a neutral grey, so that an overlap never reads as a scenario of its own.

#include <QImage>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

#include "chart/change_labels.h"
#include "model/band_stats.h"
#include "model/observations.h"
#include "model/scenario.h"

namespace chart {

struct ScenarioCourses {
    QString name;
    pandemie::PercentileCourses courses;
    pandemie::Schedule changes;
};

// The overlay shows the first shownScenarios scenarios, each in a colour of
// its own that readers with any common colour vision deficiency tell apart;
// the legend counts the others.
inline constexpr std::size_t shownScenarios = 8;

// The colour of scenario `index` (below shownScenarios): vermilion, blue,
// bluish green, reddish purple, orange, sky blue, black, yellow.
[[nodiscard]] QColor scenarioColour(std::size_t index);
// A band's pale tint of its scenario's colour, and the grey where bands overlap.
[[nodiscard]] QColor scenarioTint(std::size_t index);
[[nodiscard]] QColor overlapColour();

struct LegendEntry {
    QString name;  // shortened with "…" where it is long
    QRectF swatch;
    QRectF text;
};

// The change labels, and the legend's parts with its top left corner at
// (0, 0); the image moves it to a spot where it covers no data.
struct ScenarioLayout {
    ChangeLabelLayout changes;
    QRectF legend;
    std::vector<LegendEntry> entries;  // a row for each scenario shown, then one for overlaps
    QString note;                      // "… und 992 weitere Szenarien", empty when all are shown
    QRectF noteText;

    [[nodiscard]] ScenarioLayout movedTo(QPointF topLeft) const;
};

[[nodiscard]] ScenarioLayout scenarioLayout(const std::vector<ScenarioCourses>& scenarios,
                                            const std::vector<QRectF>& taken = {});

// The observed counts a forecast's scenarios are drawn with: the marks of
// the infected counts and the last observed day's line.
struct ObservedFigure {
    pandemie::Observations observed;
    int persons = pandemie::countedPersons;
};

[[nodiscard]] QImage scenarioImage(const std::vector<ScenarioCourses>& scenarios,
                                   const std::optional<ObservedFigure>& observed = std::nullopt);

// The same for the scenarios of a comparison and their results.
[[nodiscard]] QImage scenarioImage(const std::vector<pandemie::Scenario>& scenarios,
                                   const pandemie::ScenarioResults& results,
                                   const std::optional<ObservedFigure>& observed = std::nullopt);

}  // namespace chart
