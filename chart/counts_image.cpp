#include "chart/counts_image.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

#include "chart/change_labels.h"
#include "chart/chart.h"
#include "chart/fit_image.h"
#include "chart/plot_frame.h"
#include "chart/run_image.h"
#include "chart/surface.h"
#include "model/calendar.h"

namespace chart {

namespace {

using pandemie::ForecastRow;
using pandemie::ObservedSeries;

constexpr double labelSize = 9;
constexpr double tickLabelGap = 14;  // pixels between neighbouring axis labels

const std::array<QString, 12> shortMonthNames{
    QStringLiteral("Jan."),  QStringLiteral("Feb."), QStringLiteral("M\u00E4rz"), QStringLiteral("Apr."),
    QStringLiteral("Mai"),   QStringLiteral("Juni"), QStringLiteral("Juli"),      QStringLiteral("Aug."),
    QStringLiteral("Sept."), QStringLiteral("Okt."), QStringLiteral("Nov."),      QStringLiteral("Dez.")};

QString monthName(int month, bool shortName) {
    return shortName ? shortMonthNames.at(static_cast<std::size_t>(month - 1))
                     : fromTable(pandemie::germanMonthNames.at(static_cast<std::size_t>(month - 1)));
}

// The first of `steps` that is at least `spacing`, else the last.
int stepOf(const std::vector<int>& steps, double spacing) {
    const auto wide = std::ranges::find_if(steps, [spacing](int step) { return step >= spacing; });
    return wide == steps.end() ? steps.back() : *wide;
}

// Each tick's year where it is the first or differs from the one before.
void markYearChanges(std::vector<DayTick>& ticks, std::int64_t dateOfDayOne) {
    int shown = 0;
    for (DayTick& tick : ticks) {
        const int year = pandemie::civilFromDays(dateOfDayOne + tick.day - 1).year;
        if (year != shown) tick.year = QString::number(year);
        shown = year;
    }
}

std::vector<DayTick> numberedTicks(int from, int to, double pixelsPerDay) {
    const double width =
        textWidth(QStringLiteral("Tag %1").arg(std::max(std::abs(from), std::abs(to))), labelSize);
    const int step =
        stepOf({1, 2, 5, 10, 20, 50, 100, 200, 500, 1000}, (width + tickLabelGap) / pixelsPerDay);
    std::vector<DayTick> ticks;
    for (int day = from + (((-from) % step) + step) % step; day <= to; day += step)
        ticks.push_back({day, QStringLiteral("Tag %1").arg(day), {}});
    return ticks;
}

std::vector<DayTick> dateTicks(int from, int to, double pixelsPerDay, std::int64_t dateOfDayOne, int anchor) {
    const auto dayOf = [&](std::int64_t date) { return static_cast<int>(date - dateOfDayOne + 1); };
    std::vector<DayTick> ticks;
    const double dayMonthSpacing =
        (textWidth(QStringLiteral("28.08."), labelSize) + tickLabelGap) / pixelsPerDay;
    if (dayMonthSpacing <= 14) {
        const int step = stepOf({1, 2, 7, 14}, dayMonthSpacing);
        for (int day = from + (((anchor - from) % step) + step) % step; day <= to; day += step)
            ticks.push_back(
                {day, QString::fromStdString(pandemie::germanDayMonth(dateOfDayOne + day - 1)), {}});
    } else {
        // Months are at least 28 days apart; their names in full where the longest fits.
        const double shortSpacing =
            (textWidth(QStringLiteral("Sept."), labelSize) + tickLabelGap) / pixelsPerDay;
        const int step = stepOf({1, 2, 3, 6, 12}, shortSpacing / 28);
        const bool shortNames =
            textWidth(QStringLiteral("September"), labelSize) + tickLabelGap > 28 * step * pixelsPerDay;
        pandemie::CivilDate month = pandemie::civilFromDays(dateOfDayOne + from - 1);
        month.day = 1;
        for (int day = dayOf(pandemie::daysFromCivil(month)); day <= to;) {
            if (day >= from && (month.month - 1) % step == 0)
                ticks.push_back({day, monthName(month.month, shortNames), {}});
            month.month = month.month % 12 + 1;
            if (month.month == 1) ++month.year;
            day = dayOf(pandemie::daysFromCivil(month));
        }
    }
    markYearChanges(ticks, dateOfDayOne);
    return ticks;
}

// A step of 1, 2 or 5 times a power of ten that divides the counts up to
// `largest` into at most five.
double countStepOf(double largest) {
    for (double power = 1;; power *= 10)
        for (const double factor : {1.0, 2.0, 5.0})
            if (largest <= 5 * factor * power) return factor * power;
}

bool drawn(ObservedSeries series, const pandemie::Observations& observed) {
    return observed.counts(series);
}

std::vector<ForecastRow> rowsOf(const pandemie::FitResult& result, ObservedSeries series) {
    std::vector<ForecastRow> rows;
    std::ranges::copy_if(result.forecastRows, std::back_inserter(rows),
                         [series](const ForecastRow& row) { return row.series == series; });
    return rows;
}

QRectF rounded(double left, double top, double right, double bottom) {
    return {QPointF(std::round(left), std::round(top)), QPointF(std::round(right), std::round(bottom))};
}

const QColor newCasesColour = QBColor(4);
// Translucent, so that the band shows through the bars.
const QColor barColour(0, 0, 128, 110);
}  // namespace

std::vector<DayTick> dayTicks(int from, int to, double pixelsPerDay, std::optional<std::int64_t> dateOfDayOne,
                              int anchor) {
    if (from > to || pixelsPerDay <= 0) return {};
    return dateOfDayOne ? dateTicks(from, to, pixelsPerDay, *dateOfDayOne, anchor)
                        : numberedTicks(from, to, pixelsPerDay);
}

CountsLayout countsLayout(const pandemie::FitResult& result, const pandemie::Observations& observed) {
    CountsLayout layout;
    layout.plot = QRectF(QPointF(60, 66), QPointF(783, 500));
    // The band chart's key, right of the title.
    layout.key =
        QRectF(QPointF(keyEntryX(0), keyTop),
               QPointF(keyEntryX(2) + 30 + textWidth(QStringLiteral("beobachtet"), labelSize), keyTop + 14));

    double firstEdge = observed.firstDay() - 1;
    double lastEdge = observed.lastDay();
    double largest = 0;
    const auto widen = [&](int day, int periodDays, ObservedSeries series, double count) {
        firstEdge = std::min(firstEdge, day - (series == ObservedSeries::newCases ? periodDays : 1.0));
        lastEdge = std::max(lastEdge, static_cast<double>(day));
        largest = std::max(largest, count);
    };
    for (const ForecastRow& row : result.forecastRows)
        if (drawn(row.series, observed)) widen(row.day, row.periodDays, row.series, row.figures.p90);
    for (const pandemie::ObservedDay& day : observed.days)
        for (std::size_t s = 0; s < day.counts.size(); ++s)
            if (day.counts.at(s))
                widen(day.day, day.periodDays, static_cast<ObservedSeries>(s), *day.counts.at(s));
    layout.firstEdge = firstEdge;
    layout.lastEdge = std::max(lastEdge, firstEdge + 1);
    layout.countStep = countStepOf(largest);
    layout.countTop = std::max(1.0, std::ceil(largest / layout.countStep)) * layout.countStep;

    const auto periodBox = [&](int day, int periodDays, double low, double high) {
        return rounded(layout.x(day - periodDays), layout.y(high), layout.x(day), layout.y(low));
    };
    for (const ForecastRow& row : rowsOf(result, ObservedSeries::newCases))
        layout.bands.push_back(periodBox(row.day, row.periodDays, row.figures.p10, row.figures.p90));
    for (const pandemie::ObservedDay& day : observed.days) {
        const auto& count = day.counts.at(static_cast<std::size_t>(ObservedSeries::newCases));
        if (!count) continue;
        QRectF bar = periodBox(day.day, day.periodDays, 0, *count);
        // A pixel apart from the next where the period is wide enough.
        if (bar.width() >= 5) bar.adjust(1, 0, -1, 0);
        layout.bars.push_back(bar);
    }
    const int anchor = observed.days.empty() ? 1 : observed.days.front().day;
    layout.ticks =
        dayTicks(static_cast<int>(std::floor(layout.firstEdge)) + 1, static_cast<int>(layout.lastEdge),
                 layout.plot.width() / (layout.lastEdge - layout.firstEdge), observed.dateOfDayOne, anchor);
    return layout;
}

namespace {

QString germanCount(double count) {
    return QLocale(QLocale::German).toString(count, 'f', 0);
}

void drawCountAxis(Surface& picture, const CountsLayout& layout) {
    const auto steps = static_cast<int>(std::lround(layout.countTop / layout.countStep));
    for (int k = 0; k <= steps; ++k) {
        const double count = k * layout.countStep;
        const double y = std::round(layout.y(count));
        if (count > 0) picture.Line(layout.plot.left(), y, layout.plot.right(), y, QBColor(7));
        printText(picture, layout.plot.left() - 5, y - 7, germanCount(count), labelSize, Align::right);
    }
}

void drawDayAxis(Surface& picture, const CountsLayout& layout) {
    const double bottom = layout.plot.bottom();
    for (const DayTick& tick : layout.ticks) {
        const double x = std::round(layout.x(tick.day - 0.5));
        picture.Line(x, bottom, x, bottom + 4, QBColor(0));
        printText(picture, x, bottom + 5, tick.label, labelSize, Align::centre);
        if (!tick.year.isEmpty()) printText(picture, x, bottom + 19, tick.year, labelSize, Align::centre);
    }
}

// A level's band between its rows, one pixel column at a time, and its median.
void drawLevel(Surface& picture, const CountsLayout& layout, const std::vector<ForecastRow>& rows,
               const QColor& colour) {
    const auto xOf = [&](const ForecastRow& row) { return layout.x(row.day - 0.5); };
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const ForecastRow& a = rows[i - 1];
        const ForecastRow& b = rows[i];
        for (auto x = static_cast<int>(std::ceil(xOf(a))); x <= xOf(b); ++x) {
            const double w = (x - xOf(a)) / (xOf(b) - xOf(a));
            const auto at = [w](double from, double to) { return from + (to - from) * w; };
            picture.LineFilledBox(x, std::round(layout.y(at(a.figures.p90, b.figures.p90))), x,
                                  std::round(layout.y(at(a.figures.p10, b.figures.p10))), lightTint(colour));
        }
    }
    picture.setDrawWidth(2);
    for (std::size_t i = 1; i < rows.size(); ++i)
        picture.Line(xOf(rows[i - 1]), layout.y(rows[i - 1].figures.p50), xOf(rows[i]),
                     layout.y(rows[i].figures.p50), colour);
    picture.setDrawWidth(1);
}

// Each row's median across its period, joined to the row before where they meet.
void drawMedianSteps(Surface& picture, const CountsLayout& layout, const std::vector<ForecastRow>& rows) {
    picture.setDrawWidth(2);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ForecastRow& row = rows[i];
        const double y = layout.y(row.figures.p50);
        const double start = layout.x(row.day - row.periodDays);
        picture.Line(start, y, layout.x(row.day), y, newCasesColour);
        if (i > 0 && rows[i - 1].day == row.day - row.periodDays)
            picture.Line(start, layout.y(rows[i - 1].figures.p50), start, y, newCasesColour);
    }
    picture.setDrawWidth(1);
}

constexpr double markRadius = 3;

void drawLevelMarks(Surface& picture, const CountsLayout& layout, const pandemie::Observations& observed) {
    for (const pandemie::ObservedDay& day : observed.days)
        for (const SeriesStyle& style : seriesStyles)
            if (const auto& count = day.counts.at(static_cast<std::size_t>(style.series)))
                drawObservedMark(picture, layout.x(day.day - 0.5), layout.y(*count), markRadius,
                                 QBColor(style.colour));
}

// The colours of the series drawn: new cases first, then the levels observed.
std::vector<QColor> keyColours(const pandemie::Observations& observed) {
    std::vector<QColor> colours{newCasesColour};
    for (const SeriesStyle& style : seriesStyles)
        if (observed.counts(style.series)) colours.push_back(QBColor(style.colour));
    return colours;
}

void drawKey(Surface& picture, const CountsLayout& layout, const pandemie::Observations& observed) {
    const std::vector<QColor> colours = keyColours(observed);
    const auto entryX = [&](int entry) { return layout.key.left() + 110.0 * entry; };
    const auto printEntry = [&](int entry, const QString& text) {
        printText(picture, entryX(entry) + 30, layout.key.top(), text, labelSize);
    };
    picture.setDrawWidth(2);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const double y = layout.key.top() + 2 + 4 * static_cast<double>(i);
        picture.Line(entryX(0), y, entryX(0) + 24, y, colours[i]);
        picture.LineFilledBox(entryX(1), y - 1, entryX(1) + 24, y + 2, lightTint(colours[i]));
    }
    picture.setDrawWidth(1);
    picture.LineFilledBox(entryX(2), layout.key.top() + 1, entryX(2) + 8, layout.key.top() + 13, barColour);
    for (std::size_t i = 1; i < colours.size(); ++i)
        drawObservedMark(picture, entryX(2) + 8 + 7 * static_cast<double>(i), layout.key.top() + 7,
                         markRadius, colours[i]);
    printEntry(0, QStringLiteral("Median"));
    printEntry(1, QStringLiteral("10\u201390 %"));
    printEntry(2, QStringLiteral("beobachtet"));
}

QString periodTitle(const pandemie::Observations& observed) {
    if (!observed.counts(pandemie::ObservedSeries::newCases)) {
        // Levels only: the series as the window's key names them.
        QStringList shown;
        for (const pandemie::SeriesField& field : pandemie::seriesFields)
            if (observed.counts(field.series)) shown << seriesName(field.series);
        return shown.join(QStringLiteral(", ")) + QStringLiteral(" (Personen)");
    }
    const auto all = [&](int days) {
        return std::ranges::all_of(observed.days, [days](const pandemie::ObservedDay& day) {
            return !day.counts.back() || day.periodDays == days;
        });
    };
    if (all(1)) return QStringLiteral("Gemeldete neue F\u00E4lle pro Tag");
    if (all(7)) return QStringLiteral("Gemeldete neue F\u00E4lle pro Woche");
    return QStringLiteral("Gemeldete neue F\u00E4lle je Zeitraum");
}

QString dayText(int day, const pandemie::Observations& observed) {
    return observed.dateOfDayOne
               ? QString::fromStdString(pandemie::germanDayMonth(*observed.dateOfDayOne + day - 1))
               : QStringLiteral("Tag %1").arg(day);
}

void drawLastObservation(Surface& picture, const CountsLayout& layout,
                         const pandemie::Observations& observed) {
    const int day = observed.lastDay();
    const double x = std::round(layout.x(day));
    drawDashedLine(picture, x, static_cast<int>(layout.plot.top()) + 2,
                   static_cast<int>(layout.plot.bottom()) - 2);
    const QString text = QStringLiteral("letzte Beobachtung ") + dayText(day, observed);
    const double width = textWidth(text, 8) + 2;
    const double left =
        x + 3 + width <= layout.plot.right() ? x + 3 : std::max(layout.plot.left(), x - 3 - width);
    drawLabelPanel(picture, QRectF(left, layout.plot.top() - 15, width, 12), text, lastObservationColour());
}

// "Meldeanteil 23 %, erste Infektionen 12.02.2007 (Mediane)" for what the fit infers beyond the parameters.
QString sightingLine(const pandemie::FitResult& result, const pandemie::Observations& observed) {
    QStringList parts;
    const QLocale german(QLocale::German);
    if (result.fitted(pandemie::FitQuantity::reporting)) {
        const double percent =
            result.figures(pandemie::FitQuantity::reporting).p50 * 100 / pandemie::reportingScale;
        parts << QStringLiteral("Meldeanteil %1 %").arg(german.toString(percent, 'f', percent < 10 ? 1 : 0));
    }
    if (result.fitted(pandemie::FitQuantity::start)) {
        const auto start = static_cast<int>(std::lround(result.figures(pandemie::FitQuantity::start).p50));
        parts << QStringLiteral("erste Infektionen ") +
                     (observed.dateOfDayOne
                          ? QString::fromStdString(pandemie::germanDate(*observed.dateOfDayOne - start))
                          : QStringLiteral("Tag %1").arg(1 - start));
    }
    return parts.isEmpty() ? QString() : parts.join(QStringLiteral(", ")) + QStringLiteral(" (Mediane)");
}

}  // namespace

QImage countsForecastImage(const pandemie::FitResult& result, const pandemie::Observations& observed) {
    const CountsLayout layout = countsLayout(result, observed);
    Surface picture;
    drawCountAxis(picture, layout);
    // Bands first, so that bars, medians and marks stand over them.
    for (const QRectF& band : layout.bands)
        picture.LineFilledBox(band.left(), band.top(), band.right() - 1, band.bottom() - 1,
                              lightTint(newCasesColour));
    for (const SeriesStyle& style : seriesStyles)
        if (observed.counts(style.series))
            drawLevel(picture, layout, rowsOf(result, pandemie::observedSeriesOf(style.series)),
                      QBColor(style.colour));
    for (const QRectF& bar : layout.bars)
        if (bar.height() > 0)
            picture.LineFilledBox(bar.left(), bar.top(), bar.right() - 1, bar.bottom() - 1, barColour);
    drawMedianSteps(picture, layout, rowsOf(result, ObservedSeries::newCases));
    drawLevelMarks(picture, layout, observed);
    picture.LineBox(layout.plot.left(), layout.plot.top(), layout.plot.right(), layout.plot.bottom(),
                    QBColor(0));
    drawDayAxis(picture, layout);
    if (!observed.days.empty()) drawLastObservation(picture, layout, observed);

    printText(picture, layout.plot.left(), 30, periodTitle(observed), 12);
    drawKey(picture, layout, observed);
    drawLinesBelow(picture, 540, result.bands.runs(), fittedParameterLine(result));
    printText(picture, 60, 568, sightingLine(result, observed), labelSize);
    if (result.misfit.fails()) printText(picture, 60, 584, misfitText(), 11, Align::left, misfitColour());
    return picture.image();
}

}  // namespace chart
