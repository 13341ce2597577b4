#pragma once
// The band chart of an ensemble through any canvas: each series' 10..90 %
// band shaded in a light tint of its colour, its median curve over it, a key
// right of the title, the series' names in a free spot of the plot area.
// Also the pieces the tool's other images share: texts placed by their
// width, change-day labels beside their lines, free spots.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "chart/canvas.h"
#include "chart/day_axis.h"
#include "model/band_stats.h"
#include "model/parameters.h"
#include "model/scenario.h"

namespace chart {

// The inside of the linear charts' frame (60, 60)-(783, 560).
inline constexpr Rect plotArea{61, 61, 722, 499};

enum class Align : std::uint8_t { left, centre, right };

// Prints UTF-8 text in the plain face with its top at y, aligned on x.
void printText(Canvas& picture, double x, double y, std::string_view text, double points,
               Align align = Align::left, Colour colour = tableColour(0));

// A spot of width x height in `area` with no data pixel on it, and as far
// from data as the area allows: clear by 24, 16, 8 or 4 pixels, the topmost,
// then leftmost such; none when no spot is clear. isData(x, y) tells a pixel
// of `area` (whole pixels) that is data.
[[nodiscard]] std::optional<Rect> freeSpot(const std::function<bool(int x, int y)>& isData, double width,
                                           double height, const Rect& area);
// The same on the drawing so far, data being every colour but `background`.
[[nodiscard]] std::optional<Rect> freeSpot(Canvas& picture, double width, double height, const Rect& area,
                                           const std::vector<Colour>& background);

// A text to list below the image, in its colour.
struct ListedText {
    std::string text;
    Colour colour;
};

// The series' names on a white panel in a free spot of the plot area; where
// there is none, they are returned to be listed below the image.
[[nodiscard]] std::vector<ListedText> drawSeriesNames(Canvas& picture);

// Labels of change days stand in one row above the plot area, between the
// title and the frame, in 8 points.
inline constexpr double labelRowTop = 48;
inline constexpr double changeTextSize = 8;
// The most a day's label may take beside its line, on its wider side.
[[nodiscard]] double labelRoom(const DayAxis& axis, int day);
// The white panel of a label `width` wide beside day's line in the row at
// top: right of the line where it fits, else left of it.
[[nodiscard]] Rect labelPanel(const DayAxis& axis, int day, double width, double top);
// A label's white panel and its text.
void drawLabelPanel(Canvas& picture, const Rect& panel, std::string_view text, Colour colour);

// A band's tint of the series' colour: three quarters of the way to white.
[[nodiscard]] Colour lightTint(Colour colour);

// The count of a series at pixel column x, linear between the days'
// positions; the axis is the course's days.
[[nodiscard]] double countAt(const pandemie::Trajectory& course, pandemie::Series series, int x);

// The band between two courses of a series, filled one pixel column at a
// time from the first day to the last; rowOf gives the row of a count.
void shadeBand(Canvas& picture, const pandemie::Trajectory& lower, const pandemie::Trajectory& upper,
               pandemie::Series series, const std::function<double(double count)>& rowOf, Colour colour);

// The course's curves in line width 2, day 1 a point; counts of `persons`.
void plotCourse(Canvas& picture, const pandemie::Trajectory& course, int persons = pandemie::countedPersons);

// The band chart's key stands right of the title, its entries side by side:
// entry k's swatch 24 pixels wide at x = keyEntryX(k), y = keyTop..keyTop + 12,
// its text 30 pixels right of the swatch's left edge.
[[nodiscard]] constexpr double keyEntryX(int entry) {
    return 470 + 110.0 * entry;
}
inline constexpr double keyTop = 34;
void printKeyText(Canvas& picture, int entry, std::string_view text);

// The window's start-up frame, cleared: it leaves the text style that a
// run's frame then uses for its day labels, as after the window's start.
void clearAfterStartUp(Canvas& picture);

// On a fresh canvas: the window's frame, the day axis that of the courses
// (in per mille of the persons, as band statistics give them), each series'
// band shaded and its median drawn over it, and the key; no caption.
// underCurves draws over the bands and frame, under the medians.
void drawBandChart(Canvas& picture, const pandemie::PercentileCourses& courses,
                   const std::function<void(Canvas&)>& underCurves = {});

// "100 Läufe; Begegnungen pro Tag 10, Infektions - Wahrscheinlichkeit 5 o/oo, ..."
[[nodiscard]] std::string runsAndParametersText(std::int64_t runs, const pandemie::Parameters& parameters);
// That line below the plot area.
void drawRunsAndParameters(Canvas& picture, std::int64_t runs, const pandemie::Parameters& parameters);

// A change's text on its day's label: "4 Tsd. Begegnungen/Tag", "Latenz 1 Tag".
[[nodiscard]] std::string changeText(const pandemie::Change& change);
// "Tag 30: 4 Tsd. Begegnungen/Tag, Latenz 3 Tage" for each day with changes, by day.
[[nodiscard]] std::vector<std::pair<int, std::string>> changeLabelTexts(const pandemie::Schedule& changes);

}  // namespace chart
