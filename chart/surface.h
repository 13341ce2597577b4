#pragma once
// The chart's drawing surface in the window and the tool: a canvas painted on
// a persistent image. Draws the same pixels with or without a window; a
// window shows the image through the refresh callback.
//
// Coordinates are pixels of the 797 x 613 image. For a screen with more
// device pixels per pixel, the surface keeps a second image drawn at that
// ratio from the same operations, which it records since the last Cls, so
// that a change of screen renders the kept drawing anew.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QRectF>
#include <QString>

#include <functional>
#include <variant>
#include <vector>

#include "chart/canvas.h"

namespace chart {

// Entry n (0..15) of the 16-colour table.
[[nodiscard]] QColor QBColor(int n);
[[nodiscard]] inline QColor RGB(int red, int green, int blue) {
    return {red, green, blue};
}
[[nodiscard]] inline QColor toQColor(Colour colour) {
    return {colour.red, colour.green, colour.blue};
}
[[nodiscard]] inline Colour fromQColor(const QColor& colour) {
    return {colour.red(), colour.green(), colour.blue()};
}
[[nodiscard]] inline QRectF toQRectF(const Rect& rect) {
    return {rect.left, rect.top, rect.width, rect.height};
}
[[nodiscard]] inline Rect fromQRectF(const QRectF& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

// A text of the program's tables (parameters, outcomes, series, faces), which are UTF-8.
[[nodiscard]] QString fromTable(std::string_view text);

// "Calibri" and the other faces the program names, mapped to installed ones.
void installFontSubstitutes();

// The face at a size in points; an empty face is the chart's plain text face.
[[nodiscard]] QFont fontFor(const QString& face, double points);

class Surface final : public Canvas {
public:
    // The drawing area of the chart, 801 x 617 pixels less a 2-pixel border,
    // is width x height; an image below a chart, such as its list of
    // changes, may be of another height.
    explicit Surface(int imageHeight = height);

    using Canvas::Line;
    using Canvas::LineBox;
    using Canvas::LineFilledBox;
    using Canvas::Print;
    using Canvas::PSet;
    using Canvas::setForeColor;
    void Line(double x1, double y1, double x2, double y2, const QColor& colour) {
        Line(x1, y1, x2, y2, fromQColor(colour));
    }
    void LineBox(double x1, double y1, double x2, double y2, const QColor& colour) {
        LineBox(x1, y1, x2, y2, fromQColor(colour));
    }
    void LineFilledBox(double x1, double y1, double x2, double y2, const QColor& colour) {
        LineFilledBox(x1, y1, x2, y2, fromQColor(colour));
    }
    void PSet(double x, double y, const QColor& colour) { PSet(x, y, fromQColor(colour)); }
    // A disc of the fill colour in a one-pixel outline, its edge smoothed.
    void FilledCircle(double x, double y, double radius, const QColor& fill, const QColor& outline);
    void Print(const QString& text) { Print(text.toStdString()); }
    void setForeColor(const QColor& colour) { setForeColor(fromQColor(colour)); }
    void setFontName(const QString& face) { Canvas::setFontName(face.toStdString()); }

    // The drawing at one device pixel per pixel: what files and tests see.
    [[nodiscard]] const QImage& image() const { return image_; }
    // The drawing for a screen of the current device pixel ratio.
    [[nodiscard]] const QImage& screenImage() const { return ratio_ == 1 ? image_ : screenImage_; }
    // Renders the drawing since the last Cls anew at the ratio; the drawing
    // state and image() stay as they are.
    void setDevicePixelRatio(double ratio);

    // Called by Refresh; a window puts the image on the screen there.
    void setRefreshHandler(std::function<void()> handler) { onRefresh_ = std::move(handler); }

private:
    struct Segment {
        QPointF from, to;
        QPen pen;
    };
    struct Outline {
        QRectF box;
        QPen pen;
    };
    struct Fill {
        QRectF box;
        QColor colour;
    };
    struct Disc {
        QPointF centre;
        double radius;
        QColor fill;
        QColor outline;
    };
    struct Text {
        QPointF baseline;
        QFont font;
        QColor colour;
        QString text;
    };
    using Operation = std::variant<Segment, Outline, Fill, Disc, Text>;

    static void paint(QImage& target, const Operation& operation);
    void perform(Operation operation);

    void clear() override;
    void drawLine(Point from, Point to, int lineWidth, Colour colour) override;
    void drawOutline(Point corner, Point opposite, int lineWidth, Colour colour) override;
    void fill(Box box, Colour colour) override;
    void drawText(Point baseline, std::string_view face, int pixels, Colour colour,
                  std::string_view text) override;
    [[nodiscard]] FontMetrics metrics(std::string_view face, int pixels) override;
    [[nodiscard]] double textWidth(std::string_view face, int pixels, std::string_view text) override;
    [[nodiscard]] std::vector<Colour> readPixels(int left, int top, int columns, int rows) override;
    void refresh() override;

    QImage image_;
    QImage screenImage_;  // at ratio_, null while ratio_ is 1
    double ratio_ = 1;
    std::vector<Operation> operations_;  // since the last Cls
    std::function<void()> onRefresh_;
};

}  // namespace chart
