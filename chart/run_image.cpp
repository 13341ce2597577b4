#include "chart/run_image.h"

#include <QBuffer>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "chart/change_labels.h"
#include "chart/chart.h"
#include "chart/plot_frame.h"
#include "chart/surface.h"
#include "model/counted.h"

namespace chart {

namespace {

// The start-up frame leaves the text style that the run's frame then uses
// for its day labels.
Surface surfaceAfterStartUp() {
    Surface picture;
    rahmen2(picture);
    picture.Cls();
    return picture;
}

void plotCourse(Surface& picture, const pandemie::Trajectory& course, int persons) {
    picture.setDrawWidth(2);
    pandemie::DailyCounts previous;
    const DayAxis axis = DayAxis::of(course);
    for (int day = 1; day <= axis.days; ++day) {
        const pandemie::DailyCounts today = DayAxis::countsOn(course, day);
        plotDay(picture, day, today, previous, axis, persons);
        previous = today;
    }
}

void setSmallText(Surface& picture) {
    picture.setFontName(QString());
    picture.setFontSize(9);
    picture.setForeColor(QBColor(0));
}

// Right of the title: three short lines in the series' colours for the
// medians, three tinted stripes for the bands.
void drawKey(Surface& picture) {
    const double lineX = keyEntryX(0);
    const double bandX = keyEntryX(1);
    picture.setDrawWidth(2);
    for (std::size_t i = 0; i < seriesStyles.size(); ++i) {
        const double y = keyTop + 2 + 4 * static_cast<double>(i);
        const QColor colour = QBColor(seriesStyles.at(i).colour);
        picture.Line(lineX, y, lineX + 24, y, colour);
        picture.LineFilledBox(bandX, y - 1, bandX + 24, y + 2, lightTint(colour));
    }
    printKeyText(picture, 0, QStringLiteral("Median"));
    printKeyText(picture, 1, QStringLiteral("10\u201390 %"));
}

void drawRunsAndParameters(Surface& picture, std::int64_t runs, const pandemie::Parameters& parameters) {
    const QLocale german(QLocale::German);
    setSmallText(picture);
    picture.setCurrentX(60);
    picture.setCurrentY(592);
    picture.Print(
        QStringLiteral("%1; Begegnungen pro Tag %2, Infektions - Wahrscheinlichkeit %3 o/oo, "
                       "Latenzzeit %4, Genesungszeit %5")
            .arg(QString::fromStdString(pandemie::counted(runs, "Lauf", "L\u00E4ufe")))
            .arg(parameters.encountersPerDay)
            .arg(german.toString(static_cast<double>(parameters.infectionPerMille)))
            .arg(QString::fromStdString(pandemie::counted(parameters.latencyDays, "Tag", "Tage")))
            .arg(QString::fromStdString(pandemie::counted(parameters.recoveryDays, "Tag", "Tage"))));
}

}  // namespace

QImage firstRunImage(const pandemie::Trajectory& run, const pandemie::Schedule& changes, int persons) {
    const DayAxis axis = DayAxis::of(run);
    const ChangeLabelLayout layout = layoutChangeLabels({changes}, axis);
    Surface picture = surfaceAfterStartUp();
    rahmen2(picture, axis);
    drawChangeLines(picture, layout, greyChanges(), axis);
    plotCourse(picture, run, persons);
    copyright(picture);
    drawChangeLabels(picture, layout, greyChanges());
    return withListBelow(picture.image(), listedChanges(layout, greyChanges()));
}

std::vector<ListEntry> drawSeriesNames(Surface& picture, const std::vector<QRectF>& taken) {
    constexpr double size = 10;
    constexpr double rowHeight = 16;
    double widest = 0;
    for (const SeriesStyle& style : seriesStyles)
        widest = std::max(widest, textWidth(seriesName(style.series), size));
    const QSizeF panel(widest + 12, 6 + rowHeight * static_cast<double>(seriesStyles.size()));
    QImage drawn = picture.image();
    {
        QPainter painter(&drawn);
        for (const QRectF& box : taken) painter.fillRect(box, Qt::magenta);
    }
    const std::optional<QRectF> spot = freeSpot(drawn, panel, plotInside, {QBColor(15), QBColor(0)});
    std::vector<ListEntry> listed;
    for (std::size_t i = 0; i < seriesStyles.size(); ++i) {
        const SeriesStyle& style = seriesStyles.at(i);
        if (!spot) {
            listed.push_back({seriesName(style.series), QBColor(style.colour)});
            continue;
        }
        if (i == 0)
            picture.LineFilledBox(spot->left(), spot->top(), spot->right() - 1, spot->bottom() - 1,
                                  QBColor(15));
        printText(picture, spot->left() + 6, spot->top() + 3 + rowHeight * static_cast<double>(i),
                  seriesName(style.series), size, Align::left, QBColor(style.colour));
    }
    return listed;
}

void printKeyText(Surface& picture, int entry, const QString& text) {
    setSmallText(picture);
    picture.setCurrentX(keyEntryX(entry) + 30);
    picture.setCurrentY(keyTop);
    picture.Print(text);
}

QColor lightTint(const QColor& colour) {
    const auto tint = [](int component) { return component + (255 - component) * 3 / 4; };
    return {tint(colour.red()), tint(colour.green()), tint(colour.blue())};
}

Surface bandChart(const pandemie::PercentileCourses& courses,
                  const std::function<void(Surface&)>& underCurves) {
    Surface picture = surfaceAfterStartUp();
    // Shaded first, so the frame's grid and texts stay visible over the bands.
    for (const SeriesStyle& style : seriesStyles)
        shadeBand(
            picture, courses.p10, courses.p90, style.series,
            [&](double count) { return style.base - count / 2.0; }, lightTint(QBColor(style.colour)));
    rahmen2(picture, DayAxis::of(courses.p50), SeriesNames::elsewhere);
    if (underCurves) underCurves(picture);
    plotCourse(picture, courses.p50, pandemie::countedPersons);
    drawKey(picture);
    return picture;
}

QImage bandImage(const pandemie::PercentileCourses& courses, std::int64_t runs,
                 const pandemie::Parameters& parameters, const pandemie::Schedule& changes) {
    const DayAxis axis = DayAxis::of(courses.p50);
    const ChangeLabelLayout layout = layoutChangeLabels({changes}, axis);
    Surface picture =
        bandChart(courses, [&](Surface& chart) { drawChangeLines(chart, layout, greyChanges(), axis); });
    drawRunsAndParameters(picture, runs, parameters);
    drawChangeLabels(picture, layout, greyChanges());
    std::vector<ListEntry> listed = drawSeriesNames(picture);
    const std::vector<ListEntry> changesListed = listedChanges(layout, greyChanges());
    listed.insert(listed.end(), changesListed.begin(), changesListed.end());
    return withListBelow(picture.image(), listed);
}

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return {};
    return bytes;
}

}  // namespace chart
