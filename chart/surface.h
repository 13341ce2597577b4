#pragma once
// The chart's drawing surface: a persistent image with the drawing state
// (position, line width, text colour, size and face) that carries over from
// one drawing call to the next. Draws the same pixels with or without a
// window; a window shows the image through the refresh callback.
//
// Coordinates are pixels of the 797 x 613 image. For a screen with more
// device pixels per pixel, the surface keeps a second image drawn at that
// ratio from the same operations, which it records since the last Cls, so
// that a change of screen renders the kept drawing anew.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QString>

#include <functional>
#include <variant>
#include <vector>

namespace chart {

// Entry n (0..15) of the 16-colour table.
[[nodiscard]] QColor QBColor(int n);
[[nodiscard]] inline QColor RGB(int red, int green, int blue) {
    return {red, green, blue};
}

// "Calibri" and the other faces the program names, mapped to installed ones.
void installFontSubstitutes();

// The face at a size in points, which become pixels at 96 dots per inch on
// every screen, so that texts look the same everywhere. An empty face is the
// chart's plain text face.
[[nodiscard]] QFont fontFor(const QString& face, double points);

class Surface {
public:
    // The drawing area of the chart: 801 x 617 pixels less a 2-pixel border.
    static constexpr int width = 797;
    static constexpr int height = 613;

    // An image below a chart, such as its list of changes, may be of another height.
    explicit Surface(int imageHeight = height);

    void Cls();
    void setDrawWidth(int pixels) { drawWidth_ = pixels; }
    void Line(double x1, double y1, double x2, double y2, const QColor& colour);
    void LineBox(double x1, double y1, double x2, double y2, const QColor& colour);
    void LineFilledBox(double x1, double y1, double x2, double y2, const QColor& colour);
    void PSet(double x, double y, const QColor& colour);
    // A disc of the fill colour in a one-pixel outline, its edge smoothed.
    void FilledCircle(double x, double y, double radius, const QColor& fill, const QColor& outline);
    void setCurrentX(double x) { currentX_ = x; }
    void setCurrentY(double y) { currentY_ = y; }
    void Print(const QString& text);
    void setForeColor(const QColor& colour) { foreColor_ = colour; }
    void setFontSize(double points) { fontSize_ = points; }
    void setFontName(const QString& face) { fontName_ = face; }
    void Refresh() const;

    // The drawing at one device pixel per pixel: what files and tests see.
    [[nodiscard]] const QImage& image() const { return image_; }
    // The drawing for a screen of the current device pixel ratio.
    [[nodiscard]] const QImage& screenImage() const { return ratio_ == 1 ? image_ : screenImage_; }
    // Renders the drawing since the last Cls anew at the ratio; the drawing
    // state and image() stay as they are.
    void setDevicePixelRatio(double ratio);

    [[nodiscard]] int DrawWidth() const { return drawWidth_; }
    [[nodiscard]] double CurrentX() const { return currentX_; }
    [[nodiscard]] double CurrentY() const { return currentY_; }
    [[nodiscard]] QColor ForeColor() const { return foreColor_; }
    [[nodiscard]] double FontSize() const { return fontSize_; }
    [[nodiscard]] QString FontName() const { return fontName_; }

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

    QImage image_;
    QImage screenImage_;  // at ratio_, null while ratio_ is 1
    double ratio_ = 1;
    std::vector<Operation> operations_;  // since the last Cls
    double currentX_ = 0;
    double currentY_ = 0;
    int drawWidth_ = 1;
    QColor foreColor_ = Qt::black;
    double fontSize_ = 8.25;  // the chart's design font, "MS Sans Serif" 8.25
    QString fontName_ = "MS Sans Serif";
    std::function<void()> onRefresh_;
};

}  // namespace chart
