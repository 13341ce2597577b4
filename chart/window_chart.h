#pragma once
// The window's linear chart, drawn through any canvas: day d at x = 60 + 4d,
// p percent at y = 560 - 5p; the tool's images of D days put day d at
// x = 60 + 720 d / D. Also the read-out of a mouse position over it.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "chart/canvas.h"
#include "chart/day_axis.h"
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

// Frame, grid, axis labels, title and the series' names on their white
// panel in the plot area, the window's legend; refreshes the chart. Images
// that place the names elsewhere leave the panel out.
enum class SeriesNames : std::uint8_t { onPanel, elsewhere };
void rahmen2(Canvas& picture, const DayAxis& axis = {}, SeriesNames names = SeriesNames::onPanel);

// "nicht Infizierte", "aktuell Infizierte", "Genesene", as the window's legend names them (UTF-8).
[[nodiscard]] std::string_view seriesNameText(pandemie::Series series);

// The two-line credit caption over a finished chart; leaves "Calibri" 12 black.
void copyright(Canvas& picture);

// Day 1 is a point per curve, each later day a segment from the day before;
// counts of `persons`, all of them 500 pixels high.
void plotDay(Canvas& picture, int day, const pandemie::DailyCounts& today,
             const pandemie::DailyCounts& yesterday, const DayAxis& axis = {},
             int persons = pandemie::countedPersons);

// What the chart of a run shows, in one sentence for a screen reader:
// "Höchstens 17,3 % aktuell Infizierte an Tag 52, 93,1 % Genesene an Tag 180."
[[nodiscard]] std::string outcomeSentence(const pandemie::Trajectory& run);

// The three read-out boxes for the mouse at (x, y) over the window's chart:
// its position, the percent and the day there; all empty outside the plot area.
struct Readout {
    std::string position;
    std::string percent;
    std::string day;
};
[[nodiscard]] Readout readoutAt(float mouseX, std::int16_t mouseY);

}  // namespace chart
