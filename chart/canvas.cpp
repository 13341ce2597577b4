#include "chart/canvas.h"

#include <algorithm>
#include <cmath>

namespace chart {

Colour tableColour(int n) {
    static constexpr std::array<Colour, 16> table{{{0, 0, 0},
                                                   {0, 0, 128},
                                                   {0, 128, 0},
                                                   {0, 128, 128},
                                                   {128, 0, 0},
                                                   {128, 0, 128},
                                                   {128, 128, 0},
                                                   {192, 192, 192},
                                                   {128, 128, 128},
                                                   {0, 0, 255},
                                                   {0, 255, 0},
                                                   {0, 255, 255},
                                                   {255, 0, 0},
                                                   {255, 0, 255},
                                                   {255, 255, 0},
                                                   {255, 255, 255}}};
    return table.at(static_cast<std::size_t>(n));
}

std::string_view standInFace(std::string_view face) {
    if (face.empty()) return plainFace;
    const auto* substitute = std::find_if(fontSubstitutes.begin(), fontSubstitutes.end(),
                                          [face](const FontSubstitute& entry) { return entry.face == face; });
    return substitute == fontSubstitutes.end() ? face : substitute->standIn;
}

int pixelSize(double points) {
    return std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0)));
}

void Canvas::Line(double x1, double y1, double x2, double y2, Colour colour) {
    drawLine({x1, y1}, {x2, y2}, drawWidth_, colour);
}

void Canvas::LineBox(double x1, double y1, double x2, double y2, Colour colour) {
    drawOutline({x1, y1}, {x2, y2}, drawWidth_, colour);
}

void Canvas::LineFilledBox(double x1, double y1, double x2, double y2, Colour colour) {
    // Both corners belong to the box.
    fill({std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1) + 1, std::abs(y2 - y1) + 1}, colour);
}

void Canvas::PSet(double x, double y, Colour colour) {
    const double half = drawWidth_ / 2.0;
    fill({x - half, y - half, static_cast<double>(drawWidth_), static_cast<double>(drawWidth_)}, colour);
}

void Canvas::Print(std::string_view text) {
    const int pixels = pixelSize(fontSize_);
    const FontMetrics font = metrics(fontName_, pixels);
    drawText({currentX_, currentY_ + font.ascent}, fontName_, pixels, foreColor_, text);
    currentX_ = 0;
    currentY_ += font.height;
}

}  // namespace chart
