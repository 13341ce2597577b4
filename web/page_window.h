#pragma once
// The window's behaviour on a page: its parameters as the sliders set them,
// one random sequence that every "Berechnen" continues, the chart drawn
// through the page's painter, the read-out and the last run's course.

#include <emscripten/val.h>

#include <cstdint>
#include <optional>
#include <string>

#include "chart/canvas.h"
#include "model/model.h"
#include "model/random.h"

namespace web {

// "#rrggbb"
[[nodiscard]] std::string cssColour(chart::Colour colour);
// The value as an int where it is a whole number within [min, max].
[[nodiscard]] std::optional<int> wholeNumberIn(const emscripten::val& value, std::int64_t min,
                                               std::int64_t max);

// A canvas whose primitives the page's painter, a JavaScript object, carries out.
class PainterCanvas final : public chart::Canvas {
public:
    explicit PainterCanvas(emscripten::val painter) : painter_(std::move(painter)) {}

private:
    void clear() override;
    void drawLine(Point from, Point to, int lineWidth, chart::Colour colour) override;
    void drawOutline(Point corner, Point opposite, int lineWidth, chart::Colour colour) override;
    void fill(Box box, chart::Colour colour) override;
    void drawText(Point baseline, std::string_view face, int pixels, chart::Colour colour,
                  std::string_view text) override;
    [[nodiscard]] FontMetrics metrics(std::string_view face, int pixels) override;
    [[nodiscard]] double textWidth(std::string_view face, int pixels, std::string_view text) override;
    [[nodiscard]] std::vector<chart::Colour> readPixels(int left, int top, int columns, int rows) override;
    void refresh() override;

    emscripten::val painter_;
};

class PageWindow {
public:
    // Draws the start-up frame, stores the default parameters and draws the first run.
    explicit PageWindow(emscripten::val painter);
    // The same with the values of `start` ({encounters: 12, ...}, as a link
    // gives them) in place of the defaults; a value setParameter refuses is left out.
    PageWindow(emscripten::val painter, const emscripten::val& start);

    [[nodiscard]] emscripten::val parameters() const;
    // A slider's value settled; an unknown name or a value outside the
    // slider's range is refused (false) and changes nothing.
    [[nodiscard]] bool setParameter(const std::string& name, int value);
    // "Berechnen": the next run of the random sequence, drawn.
    void compute();
    // "Default - Werte": the defaults stored, nothing computed.
    void resetParameters();
    [[nodiscard]] emscripten::val readout(double x, double y) const;
    [[nodiscard]] std::string courseCsv() const;
    // An ensemble's band chart in place of the run (drawBand); the run's course is gone.
    [[nodiscard]] emscripten::val showBand(const emscripten::val& request, const emscripten::val& courses);
    [[nodiscard]] std::string description() const;

private:
    PainterCanvas picture_;
    pandemie::Parameters parameters_;
    pandemie::Random random_{pandemie::windowSeed};
    pandemie::Trajectory lastRun_;
};

}  // namespace web
