#pragma once
// The heat map of two parameters shared by the sweep's and the fit's images:
// a cell for every pair of values filling (70, 60)-(640, 530), the first
// parameter's values below it, the second's left of it, each axis with its
// caption, and a colour scale right of it.

#include <QColor>
#include <QString>

#include <array>
#include <cstddef>
#include <functional>

#include "chart/surface.h"
#include "model/scenario.h"

namespace chart {

// The colour of the cell of x.values[i] and y.values[j].
using CellColour = std::function<QColor(std::size_t i, std::size_t j)>;

// The cells, their frame and both axes.
void drawHeatMap(Surface& picture, const pandemie::SweepAxis& x, const pandemie::SweepAxis& y,
                 const CellColour& colourOf);

// The viridis scale beside the map, labelled from its bottom (0) to its top
// (1) in quarters, its caption above it: a short one starts over the scale,
// a longer one ends over the scale's right edge.
void drawColourScale(Surface& picture, const std::array<QString, 5>& quarterLabels, const QString& caption);

// The image's title above the map.
void printHeatMapTitle(Surface& picture, const QString& title);

// The perceptually uniform scale from dark violet (0) over teal to yellow (1).
[[nodiscard]] QColor viridis(double t);

}  // namespace chart
