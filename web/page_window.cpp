#include "page_window.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "chart/window_chart.h"
#include "ensemble.h"
#include "model/parameters.h"
#include "model/rounding.h"
#include "output/csv.h"

namespace web {

std::string cssColour(chart::Colour colour) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "#%02x%02x%02x", colour.red, colour.green, colour.blue);
    return text.data();
}

std::optional<int> wholeNumberIn(const emscripten::val& value, std::int64_t min, std::int64_t max) {
    if (!value.isNumber()) return std::nullopt;
    const auto number = value.as<double>();
    if (number != std::trunc(number) || number < static_cast<double>(min) ||
        number > static_cast<double>(max))
        return std::nullopt;
    return static_cast<int>(number);
}

namespace {

std::string cssFont(std::string_view face, int pixels) {
    return std::to_string(pixels) + "px \"" + std::string(chart::standInFace(face)) + "\"";
}

}  // namespace

void PainterCanvas::clear() {
    painter_.call<void>("clear");
}

void PainterCanvas::drawLine(Point from, Point to, int lineWidth, chart::Colour colour) {
    painter_.call<void>("line", from.x, from.y, to.x, to.y, lineWidth, cssColour(colour));
}

void PainterCanvas::drawOutline(Point corner, Point opposite, int lineWidth, chart::Colour colour) {
    painter_.call<void>("outline", std::min(corner.x, opposite.x), std::min(corner.y, opposite.y),
                        std::max(corner.x, opposite.x), std::max(corner.y, opposite.y), lineWidth,
                        cssColour(colour));
}

void PainterCanvas::fill(Box box, chart::Colour colour) {
    painter_.call<void>("fill", box.left, box.top, box.width, box.height, cssColour(colour));
}

void PainterCanvas::drawText(Point baseline, std::string_view face, int pixels, chart::Colour colour,
                             std::string_view text) {
    painter_.call<void>("text", baseline.x, baseline.y, cssFont(face, pixels), cssColour(colour),
                        std::string(text));
}

chart::Canvas::FontMetrics PainterCanvas::metrics(std::string_view face, int pixels) {
    const auto measured = painter_.call<emscripten::val>("metrics", cssFont(face, pixels));
    return {measured["ascent"].as<double>(), measured["height"].as<double>()};
}

double PainterCanvas::textWidth(std::string_view face, int pixels, std::string_view text) {
    return painter_.call<double>("textWidth", cssFont(face, pixels), std::string(text));
}

std::vector<chart::Colour> PainterCanvas::readPixels(int left, int top, int columns, int rows) {
    const auto bytes = emscripten::convertJSArrayToNumberVector<std::uint8_t>(
        painter_.call<emscripten::val>("pixels", left, top, columns, rows));
    std::vector<chart::Colour> colours;
    colours.reserve(bytes.size() / 4);
    for (std::size_t at = 0; at + 3 < bytes.size(); at += 4)
        colours.push_back({bytes[at], bytes[at + 1], bytes[at + 2]});
    return colours;
}

void PainterCanvas::refresh() {
    painter_.call<void>("refresh");
}

PageWindow::PageWindow(emscripten::val painter) : PageWindow(std::move(painter), emscripten::val::object()) {}

PageWindow::PageWindow(emscripten::val painter, const emscripten::val& start) : picture_(std::move(painter)) {
    chart::rahmen2(picture_);
    resetParameters();
    for (const pandemie::ParameterInfo& info : pandemie::parameterTable) {
        const pandemie::ParameterRange range = pandemie::parameterRange(info.parameter);
        if (const std::optional<int> value =
                wholeNumberIn(start[std::string(info.name)], range.min, range.max))
            static_cast<void>(setParameter(std::string(info.name), *value));
    }
    compute();
}

emscripten::val PageWindow::parameters() const {
    emscripten::val values = emscripten::val::object();
    for (const pandemie::ParameterInfo& info : pandemie::parameterTable)
        values.set(std::string(info.name), pandemie::parameterValue(parameters_, info.parameter));
    values.set("days", parameters_.calcDays);
    return values;
}

bool PageWindow::setParameter(const std::string& name, int value) {
    const std::optional<pandemie::Parameter> parameter = pandemie::parameterNamed(name);
    if (!parameter) return false;
    const pandemie::ParameterRange range = pandemie::parameterRange(*parameter);
    if (value < range.min || value > range.max) return false;
    pandemie::setParameterValue(parameters_, *parameter, value);
    return true;
}

void PageWindow::compute() {
    picture_.Cls();
    chart::rahmen2(picture_);
    picture_.setDrawWidth(2);
    lastRun_.clear();
    pandemie::DailyCounts previous;
    pandemie::runLinear(parameters_, random_, [&](int day, const pandemie::DailyCounts& counts) {
        lastRun_.push_back(counts);
        chart::plotDay(picture_, day, counts, previous);
        previous = counts;
    });
    chart::copyright(picture_);
    picture_.Refresh();
}

void PageWindow::resetParameters() {
    parameters_ = pandemie::defaultParameters();
}

emscripten::val PageWindow::readout(double x, double y) const {
    const chart::Readout texts = chart::readoutAt(static_cast<float>(x), pandemie::toInteger16(y));
    emscripten::val result = emscripten::val::object();
    result.set("position", texts.position);
    result.set("percent", texts.percent);
    result.set("day", texts.day);
    return result;
}

std::string PageWindow::courseCsv() const {
    return pandemie::output::trajectoryCsv(lastRun_);
}

emscripten::val PageWindow::showBand(const emscripten::val& request, const emscripten::val& courses) {
    lastRun_.clear();
    return drawBand(picture_, request, courses);
}

std::string PageWindow::description() const {
    return chart::outcomeSentence(lastRun_);
}

}  // namespace web
