#include "chart/placement.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "chart/band_chart.h"
#include "chart/change_labels.h"
#include "chart/plot_frame.h"
#include "chart/surface.h"

namespace chart {

namespace {

constexpr double listRowHeight = 13;

}  // namespace

std::optional<QRectF> freeSpot(const QImage& drawn, QSizeF size, const QRectF& area,
                               const std::vector<QColor>& background) {
    const QRect pixels = area.toAlignedRect().intersected(drawn.rect());
    const std::optional<Rect> spot = freeSpot(
        [&](int x, int y) {
            const QRgb pixel = drawn.pixel(x, y) | 0xff000000U;
            return std::none_of(background.begin(), background.end(),
                                [pixel](const QColor& c) { return c.rgb() == pixel; });
        },
        size.width(), size.height(), fromQRectF(pixels));
    if (!spot) return std::nullopt;
    return toQRectF(*spot);
}

QImage withListBelow(const QImage& chart, const std::vector<ListEntry>& entries, int columns) {
    if (entries.empty()) return chart;
    const auto rows = static_cast<int>((std::ssize(entries) + columns - 1) / columns);
    Surface strip(static_cast<int>(std::lround(8 + listRowHeight * rows)));
    const double columnWidth = 723.0 / columns;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t column = i / static_cast<std::size_t>(rows);
        const std::size_t row = i % static_cast<std::size_t>(rows);
        printText(strip, 60 + columnWidth * static_cast<double>(column),
                  2 + listRowHeight * static_cast<double>(row),
                  shortened(entries[i].text, listTextSize, columnWidth - 8), listTextSize, Align::left,
                  entries[i].colour);
    }
    QImage joined(chart.width(), chart.height() + strip.image().height(), chart.format());
    joined.setDotsPerMeterX(chart.dotsPerMeterX());
    joined.setDotsPerMeterY(chart.dotsPerMeterY());
    QPainter painter(&joined);
    painter.drawImage(0, 0, chart);
    painter.drawImage(0, chart.height(), strip.image());
    return joined;
}

}  // namespace chart
