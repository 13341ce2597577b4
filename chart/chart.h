#pragma once
// The linear chart: day d at x = 60 + 4d, p percent at y = 560 - 5p; the
// tool's images of D days put day d at x = 60 + 720 d / D.

#include <array>
#include <cstdint>

#include "chart/day_axis.h"
#include "chart/surface.h"
#include "model/model.h"

namespace chart {

// How the charts draw each series: its colour (an entry of the 16-colour
// table) and the curve's zero line, a little apart from the other curves.
struct SeriesStyle {
    pandemie::Series series;
    int colour;
    double base;
};

inline constexpr std::array<SeriesStyle, 3> seriesStyles{{
    {pandemie::Series::notInfected, 9, 561},  // light blue
    {pandemie::Series::infected, 12, 559},    // light red
    {pandemie::Series::recovered, 10, 557},   // light green
}};

[[nodiscard]] inline QColor seriesColour(pandemie::Series series) {
    return QBColor(seriesStyles.at(static_cast<std::size_t>(series)).colour);
}

// Frame, grid, axis labels, title and the series' names on their white
// panel in the plot area, the window's legend; refreshes the chart. Images
// that place the names elsewhere leave the panel out.
enum class SeriesNames : std::uint8_t { onPanel, elsewhere };
void rahmen2(Surface& picture, const DayAxis& axis = {}, SeriesNames names = SeriesNames::onPanel);

// "nicht Infizierte", "aktuell Infizierte", "Genesene", as the window's legend names them.
[[nodiscard]] QString seriesName(pandemie::Series series);

// The two-line credit caption over a finished chart; leaves "Calibri" 12 black.
void copyright(Surface& picture);

// Day 1 is a point per curve, each later day a segment from the day before;
// counts of `persons`, all of them 500 pixels high.
void plotDay(Surface& picture, int day, const pandemie::DailyCounts& today,
             const pandemie::DailyCounts& yesterday, const DayAxis& axis = {},
             int persons = pandemie::countedPersons);

}  // namespace chart
