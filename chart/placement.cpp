#include "chart/placement.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

#include "chart/change_labels.h"
#include "chart/plot_frame.h"
#include "chart/surface.h"

namespace chart {

namespace {

// Counts of data pixels over every rectangle from the origin, so that a
// rectangle's count takes four look-ups.
class DataPixels {
public:
    DataPixels(const QImage& drawn, const QRect& area, const std::vector<QColor>& background)
        : area_(area), sums_(static_cast<std::size_t>((area.width() + 1) * (area.height() + 1)), 0) {
        for (int y = 0; y < area.height(); ++y)
            for (int x = 0; x < area.width(); ++x) {
                const QRgb pixel = drawn.pixel(area.left() + x, area.top() + y);
                const bool data =
                    std::none_of(background.begin(), background.end(),
                                 [pixel](const QColor& c) { return c.rgb() == (pixel | 0xff000000U); });
                at(x + 1, y + 1) = (data ? 1 : 0) + at(x, y + 1) + at(x + 1, y) - at(x, y);
            }
    }

    // Data pixels in the rectangle, clipped to the area.
    [[nodiscard]] int in(const QRectF& box) const {
        const int left =
            std::clamp(static_cast<int>(std::floor(box.left())) - area_.left(), 0, area_.width());
        const int right =
            std::clamp(static_cast<int>(std::ceil(box.right())) - area_.left(), 0, area_.width());
        const int top = std::clamp(static_cast<int>(std::floor(box.top())) - area_.top(), 0, area_.height());
        const int bottom =
            std::clamp(static_cast<int>(std::ceil(box.bottom())) - area_.top(), 0, area_.height());
        return value(right, bottom) - value(left, bottom) - value(right, top) + value(left, top);
    }

private:
    [[nodiscard]] std::size_t indexOf(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(area_.width() + 1) +
               static_cast<std::size_t>(x);
    }
    int& at(int x, int y) { return sums_[indexOf(x, y)]; }
    [[nodiscard]] int value(int x, int y) const { return sums_[indexOf(x, y)]; }

    QRect area_;
    std::vector<int> sums_;
};

constexpr double listRowHeight = 13;

}  // namespace

std::optional<QRectF> freeSpot(const QImage& drawn, QSizeF size, const QRectF& area,
                               const std::vector<QColor>& background) {
    const QRect pixels = area.toAlignedRect().intersected(drawn.rect());
    if (size.width() > pixels.width() || size.height() > pixels.height()) return std::nullopt;
    const DataPixels data(drawn, pixels, background);
    constexpr int stride = 2;
    for (const double margin : {24.0, 16.0, 8.0, 4.0}) {
        for (int y = pixels.top(); y + size.height() <= pixels.bottom() + 1; y += stride)
            for (int x = pixels.left(); x + size.width() <= pixels.right() + 1; x += stride) {
                const QRectF spot(x, y, size.width(), size.height());
                if (data.in(spot.adjusted(-margin, -margin, margin, margin)) == 0) return spot;
            }
    }
    return std::nullopt;
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
