#pragma once
// The window's linear chart (chart/window_chart.h) with the series' colours
// and names as the toolkit's values, for the images drawn on a Surface.

#include <QColor>
#include <QString>

#include "chart/surface.h"
#include "chart/window_chart.h"

namespace chart {

[[nodiscard]] inline QColor seriesColour(pandemie::Series series) {
    return QBColor(seriesStyles.at(static_cast<std::size_t>(series)).colour);
}

// "nicht Infizierte", "aktuell Infizierte", "Genesene", as the window's legend names them.
[[nodiscard]] QString seriesName(pandemie::Series series);

}  // namespace chart
