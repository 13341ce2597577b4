#pragma once
// The scenarios of one comparison in one chart: each scenario's median of
// "aktuell Infizierte" over its 10..90 % band, one colour each, with a legend
// of their names and their change days marked.

#include <QImage>
#include <QString>

#include <vector>

#include "model/band_stats.h"
#include "model/scenario.h"

namespace chart {

struct ScenarioCourses {
    QString name;
    pandemie::PercentileCourses courses;
    pandemie::Schedule changes;
};

// The colour of scenario `index`; the first is the chart's light red.
[[nodiscard]] QColor scenarioColour(std::size_t index);

[[nodiscard]] QImage scenarioImage(const std::vector<ScenarioCourses>& scenarios);

}  // namespace chart
