#pragma once
// Height of the dark ink in a box of an image: tells text sizes apart.

#include <QImage>
#include <QRect>

#include <algorithm>

[[nodiscard]] inline int inkHeight(const QImage& image, const QRect& box) {
    int top = box.bottom() + 1;
    int bottom = box.top() - 1;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (image.pixelColor(x, y).lightness() < 100) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return bottom - top + 1;
}
