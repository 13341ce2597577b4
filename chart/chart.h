#pragma once
// The linear chart: day d at x = 60 + 4d, p percent at y = 560 - 5p.

#include "model.h"
#include "surface.h"

namespace chart {

// Series colours, shared by the legend and the curves.
inline constexpr int colourNotInfected = 9;  // light blue
inline constexpr int colourInfected = 12;    // light red
inline constexpr int colourRecovered = 10;   // light green

// Frame, grid, axis labels, title and legend; refreshes the chart.
void rahmen2(Surface& picture);

// The two-line credit caption over a finished chart; leaves "Calibri" 12 black.
void copyright(Surface& picture);

// Day 1 is a point per curve, each later day a segment from the day before.
void plotDay(Surface& picture, int day, const pandemie::DailyCounts& today,
             const pandemie::DailyCounts& yesterday);

}  // namespace chart
