#pragma once
// The image of a fit to new cases per period, in the data's units: persons
// as they are counted. The forecast rows (the data's rows and those that
// continue their spacing) each span their period on the day axis: the
// 10..90 % range as a light box, the median as steps; the observed new cases
// as bars over them, observed levels as discs on their series' bands. The
// axis gives dates in German where the data have dates, else day numbers.
// The key stands above the plot area, the caption below it.

#include <QImage>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "model/fit.h"
#include "model/observations.h"

namespace chart {

// A label of the day axis at the middle of a data day; `year` stands in a
// second row below it, at the first label and where the year changes.
struct DayTick {
    int day = 0;
    QString label;  // "15.11.", "März", "Tag 10"
    QString year;
};

// Labels for the data days from..to at pixelsPerDay, apart by at least
// their width. With the date of day 1: every 1, 2, 7 or 14 days counted from
// `anchor` ("15.11."), else the first of every 1, 2, 3, 6 or 12 months
// ("November", or "Nov." where the names would crowd); without: every 1, 2,
// 5, 10, 20, 50, ... days ("Tag 10").
[[nodiscard]] std::vector<DayTick> dayTicks(int from, int to, double pixelsPerDay,
                                            std::optional<std::int64_t> dateOfDayOne, int anchor = 1);

// Where the counts image puts its parts, in pixels of the image.
struct CountsLayout {
    QRectF plot;                // the plot area inside its frame
    QRectF key;                 // above the plot area
    double firstEdge = 0;       // the data day whose end is the plot area's left edge
    double lastEdge = 1;        // ... and whose end is its right edge
    double countTop = 1;        // the count at the top of the plot area
    double countStep = 1;       // between the count axis' labels
    std::vector<QRectF> bars;   // observed new cases, one per row
    std::vector<QRectF> bands;  // the 10..90 % range of new cases in each forecast row
    std::vector<DayTick> ticks;

    // The end of data day `day` (day d spans d - 1 .. d).
    [[nodiscard]] double x(double day) const {
        return plot.left() + (day - firstEdge) * plot.width() / (lastEdge - firstEdge);
    }
    [[nodiscard]] double y(double count) const { return plot.bottom() - count * plot.height() / countTop; }
};

[[nodiscard]] CountsLayout countsLayout(const pandemie::FitResult& result,
                                        const pandemie::Observations& observed);

// The image of countsLayout: the count axis' round steps, the bands, bars and
// medians, a dashed line at the last observation with its date, the key; below,
// the number of matching runs, the parameters' medians, the reporting share and
// the start where the fit infers them, the warning in red where the model does not fit.
[[nodiscard]] QImage countsForecastImage(const pandemie::FitResult& result,
                                         const pandemie::Observations& observed);

}  // namespace chart
