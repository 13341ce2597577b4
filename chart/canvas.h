#pragma once
// The chart's drawing vocabulary without a toolkit: colours of the 16-colour
// table, the faces the chart names, and a canvas that keeps the drawing state
// (position, line width, text colour, size and face) from one drawing call to
// the next. The window's image and the page's <canvas> each paint its
// primitives; the chart's routines draw through it alike.
//
// Coordinates are pixels of the 797 x 613 drawing.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chart {

struct Colour {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

// Entry n (0..15) of the 16-colour table.
[[nodiscard]] Colour tableColour(int n);

// A rectangle of the drawing from its top left corner.
struct Rect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    [[nodiscard]] double right() const { return left + width; }
    [[nodiscard]] double bottom() const { return top + height; }
};

// The faces the program names and the free faces, shipped or installed,
// that stand in for them; an empty face is the chart's plain text face.
struct FontSubstitute {
    std::string_view face;
    std::string_view standIn;
};
// The caption's face "modern" is narrow, so that its big letters stay inside the chart.
inline constexpr std::array<FontSubstitute, 3> fontSubstitutes{{
    {"Calibri", "Carlito"},
    {"MS Sans Serif", "DejaVu Sans"},
    {"modern", "Carlito"},
}};
inline constexpr std::string_view plainFace = "Carlito";
[[nodiscard]] std::string_view standInFace(std::string_view face);

// A size in points as pixels at 96 dots per inch on every screen, so that
// texts look the same everywhere.
[[nodiscard]] int pixelSize(double points);

class Canvas {
public:
    static constexpr int width = 797;
    static constexpr int height = 613;

    virtual ~Canvas() = default;

    void Cls() { clear(); }
    void setDrawWidth(int pixels) { drawWidth_ = pixels; }
    void Line(double x1, double y1, double x2, double y2, Colour colour);
    void LineBox(double x1, double y1, double x2, double y2, Colour colour);
    void LineFilledBox(double x1, double y1, double x2, double y2, Colour colour);
    void PSet(double x, double y, Colour colour);
    void setCurrentX(double x) { currentX_ = x; }
    void setCurrentY(double y) { currentY_ = y; }
    // UTF-8 text with its top at the current position; the next line of
    // text would start below it, at the left.
    void Print(std::string_view text);
    void setForeColor(Colour colour) { foreColor_ = colour; }
    void setFontSize(double points) { fontSize_ = points; }
    void setFontName(std::string_view face) { fontName_ = face; }
    void Refresh() { refresh(); }
    // Width of the text in the current face and size.
    [[nodiscard]] double TextWidth(std::string_view text) {
        return textWidth(fontName_, pixelSize(fontSize_), text);
    }
    // The colours drawn so far in the rectangle of whole pixels, row by row.
    [[nodiscard]] std::vector<Colour> Pixels(int left, int top, int columns, int rows) {
        return readPixels(left, top, columns, rows);
    }

    [[nodiscard]] int DrawWidth() const { return drawWidth_; }
    [[nodiscard]] double CurrentX() const { return currentX_; }
    [[nodiscard]] double CurrentY() const { return currentY_; }
    [[nodiscard]] Colour ForeColor() const { return foreColor_; }
    [[nodiscard]] double FontSize() const { return fontSize_; }
    [[nodiscard]] const std::string& FontName() const { return fontName_; }

protected:
    Canvas() = default;
    Canvas(const Canvas&) = default;
    Canvas(Canvas&&) = default;
    Canvas& operator=(const Canvas&) = default;
    Canvas& operator=(Canvas&&) = default;

    struct Point {
        double x;
        double y;
    };
    // A box from its corner at (left, top), width and height in pixels.
    struct Box {
        double left;
        double top;
        double width;
        double height;
    };
    struct FontMetrics {
        double ascent;
        double height;  // ascent and descent
    };

    virtual void clear() = 0;
    // Round caps and joins.
    virtual void drawLine(Point from, Point to, int lineWidth, Colour colour) = 0;
    // The outline of the box between two corners, square caps and mitred joins.
    virtual void drawOutline(Point corner, Point opposite, int lineWidth, Colour colour) = 0;
    virtual void fill(Box box, Colour colour) = 0;
    // The face as the chart names it, before substitution.
    virtual void drawText(Point baseline, std::string_view face, int pixels, Colour colour,
                          std::string_view text) = 0;
    [[nodiscard]] virtual FontMetrics metrics(std::string_view face, int pixels) = 0;
    [[nodiscard]] virtual double textWidth(std::string_view face, int pixels, std::string_view text) = 0;
    [[nodiscard]] virtual std::vector<Colour> readPixels(int left, int top, int columns, int rows) = 0;
    virtual void refresh() {}

private:
    double currentX_ = 0;
    double currentY_ = 0;
    int drawWidth_ = 1;
    Colour foreColor_;
    double fontSize_ = 8.25;  // the chart's design font, "MS Sans Serif" 8.25
    std::string fontName_ = "MS Sans Serif";
};

}  // namespace chart
