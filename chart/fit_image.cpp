#include "chart/fit_image.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "chart/change_labels.h"
#include "chart/chart.h"
#include "chart/heat_map.h"
#include "chart/placement.h"
#include "chart/plot_frame.h"
#include "chart/run_image.h"
#include "chart/surface.h"
#include "model/calendar.h"

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
    for (const SeriesStyle& style : seriesStyles)
        drawObservedCounts(picture, observed, style.series, axis,
                           [&](double count) { return rowOf(style, count, persons); });
}

constexpr double misfitTextSize = 13;

// The warning on a white panel in a free spot of the plot area; false when there is none.
bool drawMisfit(Surface& picture) {
    const QString text = misfitText();
    const std::optional<QRectF> panel =
        freeSpot(picture.image(), QSizeF(textWidth(text, misfitTextSize) + 8, 21), plotInside,
                 {QBColor(15), QBColor(0)});
    if (!panel) return false;
    picture.LineFilledBox(panel->left(), panel->top(), panel->right() - 1, panel->bottom() - 1, QBColor(15));
    printText(picture, panel->center().x(), panel->top() + 1, text, misfitTextSize, Align::centre,
              misfitColour());
    return true;
}

}  // namespace

void drawObservedMark(Surface& picture, double x, double y, double radius, const QColor& colour) {
    picture.FilledCircle(x, y, radius, colour, colour.darker(200));
}

void drawObservedCounts(Surface& picture, const pandemie::Observations& observed, pandemie::Series series,
                        const DayAxis& axis, const std::function<double(double count)>& rowOf) {
    const double radius = markRadiusOf(observed);
    for (const pandemie::ObservedDay& day : observed.days) {
        const auto& count = day.counts.at(static_cast<std::size_t>(series));
        if (count && day.day >= 1 && day.day <= axis.days)
            drawObservedMark(picture, axis.x(day.day), rowOf(*count), radius, seriesColour(series));
    }
}

std::optional<ChangeLabel> lastObservationLabel(const pandemie::Observations& observed, const DayAxis& axis) {
    const int lastDay = observed.lastDay();
    if (lastDay < 1 || lastDay > axis.days) return std::nullopt;
    // Dated counts name the date too, as their counts image does.
    const QString date = observed.dateOfDayOne
                             ? QStringLiteral(" (%1)").arg(QString::fromStdString(
                                   pandemie::germanDayMonth(*observed.dateOfDayOne + lastDay - 1)))
                             : QString();
    return dayLabel(lastDay, QStringLiteral("Tag %1%2: letzte Beobachtung").arg(lastDay).arg(date),
                    labelRowTop, axis);
}

void drawLastObservationLine(Surface& picture, const std::optional<ChangeLabel>& label, const DayAxis& axis) {
    if (label) drawDashedLine(picture, axis.x(label->day), 62, 558);
}

void drawLastObservationLabel(Surface& picture, const std::optional<ChangeLabel>& label) {
    if (label) drawLabelPanel(picture, label->box, label->text, lastObservationColour());
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
    const DayAxis axis = DayAxis::of(figure.courses.p50);
    const std::optional<ChangeLabel> lastDay = lastObservationLabel(figure.observed, axis);
    const ChangeLabelLayout layout = layoutChangeLabels(
        {figure.changes}, axis, lastDay ? std::vector{lastDay->box} : std::vector<QRectF>{});
    Surface picture = bandChart(figure.courses, [&](Surface& chart) {
        drawChangeLines(chart, layout, greyChanges(), axis);
        drawLastObservationLine(chart, lastDay, axis);
    });
    drawObservedKey(picture, figure.observed);
    drawMarks(picture, figure.observed, axis, figure.persons);
    drawLinesBelow(picture, 583, figure.runs, figure.parameterLine);
    drawChangeLabels(picture, layout, greyChanges());
    drawLastObservationLabel(picture, lastDay);

    std::vector<ListEntry> listed;
    if (figure.misfit && !drawMisfit(picture)) listed.push_back({misfitText(), misfitColour()});
    const std::vector<ListEntry> names = drawSeriesNames(picture);
    listed.insert(listed.end(), names.begin(), names.end());
    const std::vector<ListEntry> changes = listedChanges(layout, greyChanges());
    listed.insert(listed.end(), changes.begin(), changes.end());
    return withListBelow(picture.image(), listed);
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
        parts << fromTable(caption).arg(median);
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
