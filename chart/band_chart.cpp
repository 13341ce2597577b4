#include "chart/band_chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

#include "chart/window_chart.h"
#include "model/counted.h"

namespace chart {

void printText(Canvas& picture, double x, double y, std::string_view text, double points, Align align,
               Colour colour) {
    picture.setFontName("");
    picture.setFontSize(points);
    picture.setForeColor(colour);
    const double width = align == Align::left ? 0 : picture.TextWidth(text);
    picture.setCurrentX(align == Align::left ? x : align == Align::centre ? x - width / 2 : x - width);
    picture.setCurrentY(y);
    picture.Print(text);
}

namespace {

// Counts of data pixels over every rectangle from the area's corner, so that
// a rectangle's count takes four look-ups.
class DataPixels {
public:
    DataPixels(const std::function<bool(int, int)>& isData, int left, int top, int width, int height)
        : left_(left),
          top_(top),
          width_(width),
          height_(height),
          sums_(static_cast<std::size_t>(width + 1) * static_cast<std::size_t>(height + 1), 0) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                at(x + 1, y + 1) =
                    (isData(left + x, top + y) ? 1 : 0) + at(x, y + 1) + at(x + 1, y) - at(x, y);
    }

    // Data pixels in the rectangle, clipped to the area.
    [[nodiscard]] int in(const Rect& box) const {
        const int left = std::clamp(static_cast<int>(std::floor(box.left)) - left_, 0, width_);
        const int right = std::clamp(static_cast<int>(std::ceil(box.right())) - left_, 0, width_);
        const int top = std::clamp(static_cast<int>(std::floor(box.top)) - top_, 0, height_);
        const int bottom = std::clamp(static_cast<int>(std::ceil(box.bottom())) - top_, 0, height_);
        return value(right, bottom) - value(left, bottom) - value(right, top) + value(left, top);
    }

private:
    [[nodiscard]] std::size_t indexOf(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_ + 1) +
               static_cast<std::size_t>(x);
    }
    int& at(int x, int y) { return sums_[indexOf(x, y)]; }
    [[nodiscard]] int value(int x, int y) const { return sums_[indexOf(x, y)]; }

    int left_;
    int top_;
    int width_;
    int height_;
    std::vector<int> sums_;
};

}  // namespace

std::optional<Rect> freeSpot(const std::function<bool(int x, int y)>& isData, double width, double height,
                             const Rect& area) {
    const auto left = static_cast<int>(std::floor(area.left));
    const auto top = static_cast<int>(std::floor(area.top));
    const int areaWidth = static_cast<int>(std::ceil(area.right())) - left;
    const int areaHeight = static_cast<int>(std::ceil(area.bottom())) - top;
    if (width > areaWidth || height > areaHeight) return std::nullopt;
    const DataPixels data(isData, left, top, areaWidth, areaHeight);
    constexpr int stride = 2;
    for (const double margin : {24.0, 16.0, 8.0, 4.0}) {
        for (int y = top; y + height <= top + areaHeight; y += stride)
            for (int x = left; x + width <= left + areaWidth; x += stride) {
                const Rect clear{x - margin, y - margin, width + 2 * margin, height + 2 * margin};
                if (data.in(clear) == 0)
                    return Rect{static_cast<double>(x), static_cast<double>(y), width, height};
            }
    }
    return std::nullopt;
}

std::optional<Rect> freeSpot(Canvas& picture, double width, double height, const Rect& area,
                             const std::vector<Colour>& background) {
    const int left = std::max(0, static_cast<int>(std::floor(area.left)));
    const int top = std::max(0, static_cast<int>(std::floor(area.top)));
    const int right = std::min(Canvas::width, static_cast<int>(std::ceil(area.right())));
    const int bottom = std::min(Canvas::height, static_cast<int>(std::ceil(area.bottom())));
    const std::vector<Colour> drawn = picture.Pixels(left, top, right - left, bottom - top);
    const auto columns = static_cast<std::size_t>(right - left);
    return freeSpot(
        [&](int x, int y) {
            const Colour pixel =
                drawn[static_cast<std::size_t>(y - top) * columns + static_cast<std::size_t>(x - left)];
            return std::find(background.begin(), background.end(), pixel) == background.end();
        },
        width, height,
        Rect{static_cast<double>(left), static_cast<double>(top), static_cast<double>(right - left),
             static_cast<double>(bottom - top)});
}

std::vector<ListedText> drawSeriesNames(Canvas& picture) {
    constexpr double size = 10;
    constexpr double rowHeight = 16;
    picture.setFontName("");
    picture.setFontSize(size);
    double widest = 0;
    for (const SeriesStyle& style : seriesStyles)
        widest = std::max(widest, picture.TextWidth(seriesNameText(style.series)));
    const std::optional<Rect> spot =
        freeSpot(picture, widest + 12, 6 + rowHeight * static_cast<double>(seriesStyles.size()), plotArea,
                 {tableColour(15), tableColour(0)});
    std::vector<ListedText> listed;
    for (std::size_t i = 0; i < seriesStyles.size(); ++i) {
        const SeriesStyle& style = seriesStyles.at(i);
        if (!spot) {
            listed.push_back({std::string(seriesNameText(style.series)), tableColour(style.colour)});
            continue;
        }
        if (i == 0)
            picture.LineFilledBox(spot->left, spot->top, spot->right() - 1, spot->bottom() - 1,
                                  tableColour(15));
        printText(picture, spot->left + 6, spot->top + 3 + rowHeight * static_cast<double>(i),
                  seriesNameText(style.series), size, Align::left, tableColour(style.colour));
    }
    return listed;
}

namespace {

// Labels keep inside the plot area's edges.
constexpr double innerLeft = 62;
constexpr double innerRight = 781;
constexpr double labelRowHeight = 12;

double roomRightOf(double x) {
    return innerRight - (x + 3);
}
double roomLeftOf(double x) {
    return (x - 3) - innerLeft;
}

}  // namespace

double labelRoom(const DayAxis& axis, int day) {
    return std::max(roomRightOf(axis.x(day)), roomLeftOf(axis.x(day)));
}

Rect labelPanel(const DayAxis& axis, int day, double width, double top) {
    const double x = axis.x(day);
    const bool right = width <= roomRightOf(x) || roomRightOf(x) >= roomLeftOf(x);
    return {(right ? x + 3 : x - 3 - width) - 1, top, width + 2, labelRowHeight};
}

void drawLabelPanel(Canvas& picture, const Rect& panel, std::string_view text, Colour colour) {
    // Both corners of a filled box belong to it.
    picture.LineFilledBox(panel.left, panel.top, panel.right() - 1, panel.bottom() - 1, tableColour(15));
    printText(picture, panel.left + 1, panel.top - 1, text, changeTextSize, Align::left, colour);
}

Colour lightTint(Colour colour) {
    const auto tint = [](int component) { return component + (255 - component) * 3 / 4; };
    return {tint(colour.red), tint(colour.green), tint(colour.blue)};
}

double countAt(const pandemie::Trajectory& course, pandemie::Series series, int x) {
    const DayAxis axis = DayAxis::of(course);
    const double day = axis.dayAt(x);
    const int before = std::clamp(static_cast<int>(std::floor(day)), 1, axis.days);
    const int after = std::min(before + 1, axis.days);
    const double weight = std::clamp(day - before, 0.0, 1.0);
    const auto count = [&](int d) {
        return static_cast<double>(pandemie::countOf(DayAxis::countsOn(course, d), series));
    };
    return count(before) + (count(after) - count(before)) * weight;
}

void shadeBand(Canvas& picture, const pandemie::Trajectory& lower, const pandemie::Trajectory& upper,
               pandemie::Series series, const std::function<double(double count)>& rowOf, Colour colour) {
    const DayAxis axis = DayAxis::of(upper);
    for (auto x = static_cast<int>(std::ceil(axis.x(1))); x <= axis.x(axis.days); ++x) {
        const double top = std::round(rowOf(countAt(upper, series, x)));
        const double bottom = std::round(rowOf(countAt(lower, series, x)));
        picture.LineFilledBox(x, top, x, bottom, colour);
    }
}

void plotCourse(Canvas& picture, const pandemie::Trajectory& course, int persons) {
    picture.setDrawWidth(2);
    pandemie::DailyCounts previous;
    const DayAxis axis = DayAxis::of(course);
    for (int day = 1; day <= axis.days; ++day) {
        const pandemie::DailyCounts today = DayAxis::countsOn(course, day);
        plotDay(picture, day, today, previous, axis, persons);
        previous = today;
    }
}

namespace {

void setSmallText(Canvas& picture) {
    picture.setFontName("");
    picture.setFontSize(9);
    picture.setForeColor(tableColour(0));
}

// Right of the title: three short lines in the series' colours for the
// medians, three tinted stripes for the bands.
void drawKey(Canvas& picture) {
    const double lineX = keyEntryX(0);
    const double bandX = keyEntryX(1);
    picture.setDrawWidth(2);
    for (std::size_t i = 0; i < seriesStyles.size(); ++i) {
        const double y = keyTop + 2 + 4 * static_cast<double>(i);
        const Colour colour = tableColour(seriesStyles.at(i).colour);
        picture.Line(lineX, y, lineX + 24, y, colour);
        picture.LineFilledBox(bandX, y - 1, bandX + 24, y + 2, lightTint(colour));
    }
    printKeyText(picture, 0, "Median");
    printKeyText(picture, 1, "10\u201390 %");
}

// A number as German texts write it, with up to six significant digits: "7,5".
std::string germanNumber(double value) {
    std::array<char, 32> digits{};
    const int length = std::snprintf(digits.data(), digits.size(), "%.6g", value);
    std::string text(digits.data(), static_cast<std::size_t>(std::max(length, 0)));
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

}  // namespace

void printKeyText(Canvas& picture, int entry, std::string_view text) {
    setSmallText(picture);
    picture.setCurrentX(keyEntryX(entry) + 30);
    picture.setCurrentY(keyTop);
    picture.Print(text);
}

void clearAfterStartUp(Canvas& picture) {
    rahmen2(picture);
    picture.Cls();
}

void drawBandChart(Canvas& picture, const pandemie::PercentileCourses& courses,
                   const std::function<void(Canvas&)>& underCurves) {
    clearAfterStartUp(picture);
    // Shaded first, so the frame's grid and texts stay visible over the bands.
    for (const SeriesStyle& style : seriesStyles)
        shadeBand(
            picture, courses.p10, courses.p90, style.series,
            [&](double count) { return style.base - count / 2.0; }, lightTint(tableColour(style.colour)));
    rahmen2(picture, DayAxis::of(courses.p50), SeriesNames::elsewhere);
    if (underCurves) underCurves(picture);
    plotCourse(picture, courses.p50, pandemie::countedPersons);
    drawKey(picture);
}

std::string runsAndParametersText(std::int64_t runs, const pandemie::Parameters& parameters) {
    return pandemie::counted(runs, "Lauf", "L\u00E4ufe") + "; Begegnungen pro Tag " +
           std::to_string(parameters.encountersPerDay) + ", Infektions - Wahrscheinlichkeit " +
           germanNumber(static_cast<double>(parameters.infectionPerMille)) + " o/oo, Latenzzeit " +
           pandemie::counted(parameters.latencyDays, "Tag", "Tage") + ", Genesungszeit " +
           pandemie::counted(parameters.recoveryDays, "Tag", "Tage");
}

void drawRunsAndParameters(Canvas& picture, std::int64_t runs, const pandemie::Parameters& parameters) {
    setSmallText(picture);
    picture.setCurrentX(60);
    picture.setCurrentY(592);
    picture.Print(runsAndParametersText(runs, parameters));
}

std::string changeText(const pandemie::Change& change) {
    const pandemie::ParameterInfo& info = pandemie::infoOf(change.parameter);
    std::string text(change.value == 1 ? info.changeCaptionOne : info.changeCaption);
    const std::size_t at = text.find("%1");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(change.value));
    return text;
}

std::vector<std::pair<int, std::string>> changeLabelTexts(const pandemie::Schedule& changes) {
    std::vector<std::pair<int, std::string>> labels;
    for (const pandemie::Change& change : pandemie::sortedByDay(changes)) {
        if (labels.empty() || labels.back().first != change.day) {
            labels.emplace_back(change.day, "Tag " + std::to_string(change.day) + ": " + changeText(change));
        } else {
            labels.back().second += ", " + changeText(change);
        }
    }
    return labels;
}

}  // namespace chart
