#include "chart/fit_image.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>

#include "chart/change_labels.h"
#include "chart/chart.h"
#include "chart/heat_map.h"
#include "chart/plot_frame.h"
#include "chart/run_image.h"
#include "chart/surface.h"

namespace chart {

namespace {

// A count of `persons` on the chart's axis of the series, kept inside the plot area.
double rowOf(const SeriesStyle& style, double count, int persons) {
    return std::clamp(style.base - count * 500 / persons, 60.0, 560.0);
}

constexpr double markRadius = 3.5;
// Marks of days next to each other, 4 pixels apart, are smaller, so that
// each still shows.
constexpr double denseMarkRadius = 2.5;

double markRadiusOf(const pandemie::Observations& observed) {
    for (std::size_t i = 1; i < observed.days.size(); ++i)
        if (observed.days[i].day - observed.days[i - 1].day < 2) return denseMarkRadius;
    return markRadius;
}

void drawObservedKey(Surface& picture, const pandemie::Observations& observed) {
    constexpr int entry = 2;
    double x = keyEntryX(entry) + markRadius;
    for (const SeriesStyle& style : seriesStyles) {
        if (!observed.counts(style.series)) continue;
        drawObservedMark(picture, x, keyTop + 6, markRadius, QBColor(style.colour));
        x += 2 * markRadius + 2;
    }
    printKeyText(picture, entry, QStringLiteral("beobachtet"));
}

void drawMarks(Surface& picture, const pandemie::Observations& observed, const DayAxis& axis, int persons) {
    const double radius = markRadiusOf(observed);
    for (const pandemie::ObservedDay& day : observed.days) {
        if (day.day < 1 || day.day > axis.days) continue;
        for (const SeriesStyle& style : seriesStyles) {
            const auto& count = day.counts.at(static_cast<std::size_t>(style.series));
            if (count)
                drawObservedMark(picture, axis.x(day.day), rowOf(style, *count, persons), radius,
                                 QBColor(style.colour));
        }
    }
}

constexpr double misfitTextSize = 13;

// The warning's panel at the top of the plot area, centred over it.
QRectF misfitPanel(const QString& text) {
    const double width = textWidth(text, misfitTextSize) + 8;
    return {421.5 - width / 2, firstLabelRowTop, width, 21};
}

void drawMisfit(Surface& picture, const QRectF& panel, const QString& text) {
    picture.LineFilledBox(panel.left(), panel.top(), panel.right() - 1, panel.bottom() - 1, QBColor(15));
    printText(picture, panel.center().x(), panel.top() + 1, text, misfitTextSize, Align::centre,
              misfitColour());
}

}  // namespace

void drawObservedMark(Surface& picture, double x, double y, double radius, const QColor& colour) {
    picture.FilledCircle(x, y, radius, colour, colour.darker(200));
}

QColor lastObservationColour() {
    return QBColor(5);
}

// Dashed, so that it stands out from the change days' lines, and two pixels
// wide, so that it does over the grid lines.
void drawDashedLine(Surface& picture, double x, int top, int bottom) {
    picture.setDrawWidth(2);
    for (int y = top; y <= bottom; y += 9)
        picture.Line(x, y, x, std::min(y + 4, bottom), lastObservationColour());
    picture.setDrawWidth(1);
}

QColor misfitColour() {
    return {200, 0, 0};
}

QString misfitText() {
    return QStringLiteral("Das Modell passt nicht zu den Beobachtungen");
}

void drawLinesBelow(Surface& picture, double top, std::int64_t runs, const QString& parameterLine) {
    constexpr double size = 9;
    const QString runsLine = runs == 1 ? QStringLiteral("Prognose aus 1 passenden Lauf")
                                       : QStringLiteral("Prognose aus %1 passenden L\u00E4ufen").arg(runs);
    printText(picture, 60, top, runsLine, size);
    printText(picture, 60, top + 14, shortened(parameterLine, size, Surface::width - 64), size);
}

QImage forecastImage(const ForecastFigure& figure) {
    Surface picture = bandChart(figure.courses);
    const DayAxis axis = DayAxis::of(figure.courses.p50);
    drawObservedKey(picture, figure.observed);
    const auto grey = [](std::size_t) { return QBColor(8); };
    const std::vector<pandemie::Schedule> schedules{figure.changes};
    drawChangeLines(picture, schedules, grey, axis);
    const int lastDay = figure.observed.lastDay();
    const bool lastDayShown = lastDay >= 1 && lastDay <= axis.days;
    if (lastDayShown) drawDashedLine(picture, axis.x(lastDay), 62, 558);
    drawMarks(picture, figure.observed, axis, figure.persons);
    drawLinesBelow(picture, 583, figure.runs, figure.parameterLine);

    // Top down in the plot area: the warning, the last day's label, the change labels.
    double top = firstLabelRowTop;
    const QRectF panel = misfitPanel(misfitText());
    if (figure.misfit) top = panel.bottom() + 2;
    const ChangeLabel lastDayLabel =
        dayLabel(lastDay, QStringLiteral("Tag %1: letzte Beobachtung").arg(lastDay), top, axis);
    if (lastDayShown) top = lastDayLabel.box.bottom() + 1;
    drawChangeLabels(picture, layoutChangeLabels(schedules, runLabelRows, top, axis), grey);
    if (lastDayShown) drawLabelPanel(picture, lastDayLabel.box, lastDayLabel.text, lastObservationColour());
    if (figure.misfit) drawMisfit(picture, panel, misfitText());
    return picture.image();
}

QColor zeroWeightColour() {
    return {215, 215, 215};
}

namespace {

pandemie::SweepAxis axisOf(pandemie::Parameter parameter, pandemie::ParameterRange range) {
    pandemie::SweepAxis axis{parameter, {}};
    for (int value = range.min; value <= range.max; ++value) axis.values.push_back(value);
    return axis;
}

bool wholeAt(double value, int decimals) {
    const double scaled = value * std::pow(10.0, decimals);
    return std::abs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, scaled);
}

// The scale's quarters in percent, with two significant digits of a
// quarter, or three where they make it exact (17,5).
std::array<QString, 5> percentQuarters(double top) {
    const double quarter = top / 4;
    int decimals = quarter > 0 ? std::max(0, 1 - static_cast<int>(std::floor(std::log10(quarter)))) : 0;
    if (!wholeAt(quarter, decimals) && wholeAt(quarter, decimals + 1)) ++decimals;
    const QLocale german(QLocale::German);
    std::array<QString, 5> labels;
    for (std::size_t k = 0; k < labels.size(); ++k)
        labels.at(k) = german.toString(quarter * static_cast<double>(k), 'f', decimals);
    return labels;
}

}  // namespace

QImage jointPosteriorImage(const pandemie::JointPosterior& joint) {
    const pandemie::SweepAxis x = axisOf(joint.x, joint.xRange);
    const pandemie::SweepAxis y = axisOf(joint.y, joint.yRange);
    // A weight missing from the list counts as 0; so does one that is not a number.
    const auto weightAt = [&](std::size_t i, std::size_t j) {
        const std::size_t index = j * x.values.size() + i;
        return index < joint.weight.size() && joint.weight[index] > 0 ? joint.weight[index] : 0.0;
    };
    double heaviest = 0;
    for (std::size_t i = 0; i < x.values.size(); ++i)
        for (std::size_t j = 0; j < y.values.size(); ++j) heaviest = std::max(heaviest, weightAt(i, j));

    Surface picture;
    drawHeatMap(picture, x, y, [&](std::size_t i, std::size_t j) {
        const double weight = weightAt(i, j);
        return weight > 0 ? viridis(weight / heaviest) : zeroWeightColour();
    });
    drawColourScale(picture, percentQuarters(100 * heaviest),
                    QStringLiteral("Anteil der Gewichte a posteriori in %"));
    printHeatMapTitle(picture, QStringLiteral("Gemeinsame Verteilung a posteriori"));
    return picture.image();
}

QString fittedParameterLine(const pandemie::FitResult& result) {
    QStringList parts;
    for (const pandemie::ParameterInfo& info : pandemie::parameterTable) {
        const pandemie::ParameterFigures figures = result.figures(info.parameter);
        const QString median = QString::number(figures.p50, 'f', 0);
        const std::string_view caption =
            median == QStringLiteral("1") ? info.changeCaptionOne : info.changeCaption;
        parts << QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())).arg(median);
    }
    // With every quantity held fixed nothing was fitted: the values are those given.
    const QString kind = result.fittedAnything() ? QStringLiteral("Median a posteriori: ")
                                                 : QStringLiteral("Vorgegeben, nicht angepasst: ");
    return kind + parts.join(QStringLiteral(", "));
}

QImage forecastImage(const pandemie::FitResult& result, const pandemie::Observations& observed,
                     const pandemie::Schedule& changes, int persons) {
    return forecastImage({result.bands.courses(), result.bands.runs(), observed, changes,
                          fittedParameterLine(result), result.misfit.fails(), persons});
}

}  // namespace chart
