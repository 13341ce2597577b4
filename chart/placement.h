#pragma once
// Where texts go so that they never cover data: a free spot of the plot
// area, found on the drawing so far, or a list in a strip below the image.

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

#include "chart/band_chart.h"
#include "chart/surface.h"

namespace chart {

// The inside of the linear charts' frame (60, 60)-(783, 560).
inline const QRectF plotInside = toQRectF(plotArea);

// A spot of `size` in `area` whose pixels are all of the background
// colours (white, grid lines), and as far from others as the area allows:
// clear by 24, 16, 8 or 4 pixels, the topmost, then leftmost such; none
// when no spot is clear.
[[nodiscard]] std::optional<QRectF> freeSpot(const QImage& drawn, QSizeF size, const QRectF& area,
                                             const std::vector<QColor>& background);

struct ListEntry {
    QString text;
    QColor colour;
};

inline constexpr int listColumns = 3;
inline constexpr int listRows = 8;
inline constexpr double listTextSize = 8;

// The chart with a white strip below it that lists the entries in columns
// of a third of the plot area's width, top down, then left to right, each
// shortened with "…" to its column; the chart itself when there are none.
[[nodiscard]] QImage withListBelow(const QImage& chart, const std::vector<ListEntry>& entries,
                                   int columns = listColumns);

}  // namespace chart
