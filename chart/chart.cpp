#include "chart/chart.h"

#include <array>

namespace chart {

namespace {

void printAt(Surface& picture, double x, double y, const QString& text) {
    picture.setCurrentX(x);
    picture.setCurrentY(y);
    picture.Print(text);
}

void setTextStyle(Surface& picture, double size, const QColor& colour) {
    picture.setFontName(QString());
    picture.setFontSize(size);
    picture.setForeColor(colour);
}

}  // namespace

void rahmen2(Surface& picture, const DayAxis& axis, SeriesNames names) {
    const int step = axis.labelStep();
    picture.setDrawWidth(1);
    picture.LineBox(60, 60, 783, 560, QBColor(0));
    // A grid line on each labelled day but the last one, where the frame is.
    for (int day = 0; day < axis.days; day += step)
        picture.Line(axis.x(day), 60, axis.x(day), 560, QBColor(0));
    for (int j = 1; j <= 4; ++j) picture.Line(60, 60 + 100 * j, 783, 60 + 100 * j, QBColor(0));

    // The day labels keep whatever text style the last drawing left; the
    // last day's ends at the frame.
    printAt(picture, 705, 570, QStringLiteral("Tage"));
    for (int day = 0; day <= axis.days; day += step)
        printAt(picture, axis.x(day) - (day == axis.days ? 15 : 5), 570, QString::number(day));

    picture.setFontName(QString());
    picture.setFontSize(12);
    printAt(picture, 60, 30, QStringLiteral("relative Anteile in %  (lineare Darstellung)"));

    if (names == SeriesNames::onPanel) {
        picture.LineFilledBox(70, 300, 240, 420, QBColor(15));
        for (std::size_t i = 0; i < seriesStyles.size(); ++i) {
            setTextStyle(picture, 15, QBColor(seriesStyles.at(i).colour));
            printAt(picture, 85, 315 + 35 * static_cast<double>(i), seriesName(seriesStyles.at(i).series));
        }
    }

    setTextStyle(picture, 9, QBColor(0));
    const std::array<std::pair<int, const char*>, 6> percentLabels{
        {{55, "100"}, {150, "80"}, {250, "60"}, {350, "40"}, {450, "20"}, {550, " 0"}}};
    for (const auto& [y, label] : percentLabels) printAt(picture, 30, y, QString::fromLatin1(label));

    picture.Refresh();
}

QString seriesName(pandemie::Series series) {
    static const std::array<QString, 3> names{
        QStringLiteral("nicht Infizierte"), QStringLiteral("aktuell Infizierte"), QStringLiteral("Genesene")};
    return names.at(static_cast<std::size_t>(series));
}

void copyright(Surface& picture) {
    picture.setFontName(QStringLiteral("modern"));
    picture.setFontSize(120);
    picture.setForeColor(RGB(180, 220, 220));
    printAt(picture, 150, 150, QStringLiteral("pandemie"));
    picture.setFontSize(120);
    printAt(picture, 150, 350, QStringLiteral("Prognose"));
    picture.setFontName(QStringLiteral("Calibri"));
    picture.setFontSize(12);
    picture.setForeColor(QBColor(0));
}

void plotDay(Surface& picture, int day, const pandemie::DailyCounts& today,
             const pandemie::DailyCounts& yesterday, const DayAxis& axis, int persons) {
    const double pixelsPerPerson = 500.0 / persons;
    for (const SeriesStyle& style : seriesStyles) {
        const double y = style.base - pandemie::countOf(today, style.series) * pixelsPerPerson;
        if (day == 1) {
            picture.PSet(axis.x(day), y, QBColor(style.colour));
        } else {
            const double previousY =
                style.base - pandemie::countOf(yesterday, style.series) * pixelsPerPerson;
            picture.Line(axis.x(day - 1), previousY, axis.x(day), y, QBColor(style.colour));
        }
    }
}

}  // namespace chart
