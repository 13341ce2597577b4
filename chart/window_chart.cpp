#include "chart/window_chart.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "model/ensemble.h"
#include "model/rounding.h"

namespace chart {

namespace {

void printAt(Canvas& picture, double x, double y, std::string_view text) {
    picture.setCurrentX(x);
    picture.setCurrentY(y);
    picture.Print(text);
}

void setTextStyle(Canvas& picture, double size, Colour colour) {
    picture.setFontName("");
    picture.setFontSize(size);
    picture.setForeColor(colour);
}

}  // namespace

void rahmen2(Canvas& picture, const DayAxis& axis, SeriesNames names) {
    const int step = axis.labelStep();
    picture.setDrawWidth(1);
    picture.LineBox(60, 60, 783, 560, tableColour(0));
    // A grid line on each labelled day but the last one, where the frame is.
    for (int day = 0; day < axis.days; day += step)
        picture.Line(axis.x(day), 60, axis.x(day), 560, tableColour(0));
    for (int j = 1; j <= 4; ++j) picture.Line(60, 60 + 100 * j, 783, 60 + 100 * j, tableColour(0));

    // The day labels keep whatever text style the last drawing left; the
    // last day's ends at the frame.
    printAt(picture, 705, 570, "Tage");
    for (int day = 0; day <= axis.days; day += step)
        printAt(picture, axis.x(day) - (day == axis.days ? 15 : 5), 570, std::to_string(day));

    picture.setFontName("");
    picture.setFontSize(12);
    printAt(picture, 60, 30, "relative Anteile in %  (lineare Darstellung)");

    if (names == SeriesNames::onPanel) {
        picture.LineFilledBox(70, 300, 240, 420, tableColour(15));
        for (std::size_t i = 0; i < seriesStyles.size(); ++i) {
            setTextStyle(picture, 15, tableColour(seriesStyles.at(i).colour));
            printAt(picture, 85, 315 + 35 * static_cast<double>(i),
                    seriesNameText(seriesStyles.at(i).series));
        }
    }

    setTextStyle(picture, 9, tableColour(0));
    const std::array<std::pair<int, const char*>, 6> percentLabels{
        {{55, "100"}, {150, "80"}, {250, "60"}, {350, "40"}, {450, "20"}, {550, " 0"}}};
    for (const auto& [y, label] : percentLabels) printAt(picture, 30, y, label);

    picture.Refresh();
}

std::string_view seriesNameText(pandemie::Series series) {
    static constexpr std::array<std::string_view, 3> names{"nicht Infizierte", "aktuell Infizierte",
                                                           "Genesene"};
    return names.at(static_cast<std::size_t>(series));
}

void copyright(Canvas& picture) {
    picture.setFontName("modern");
    picture.setFontSize(120);
    picture.setForeColor({180, 220, 220});
    printAt(picture, 150, 150, "pandemie");
    picture.setFontSize(120);
    printAt(picture, 150, 350, "Prognose");
    picture.setFontName("Calibri");
    picture.setFontSize(12);
    picture.setForeColor(tableColour(0));
}

void plotDay(Canvas& picture, int day, const pandemie::DailyCounts& today,
             const pandemie::DailyCounts& yesterday, const DayAxis& axis, int persons) {
    const double pixelsPerPerson = 500.0 / persons;
    for (const SeriesStyle& style : seriesStyles) {
        const double y = style.base - pandemie::countOf(today, style.series) * pixelsPerPerson;
        if (day == 1) {
            picture.PSet(axis.x(day), y, tableColour(style.colour));
        } else {
            const double previousY =
                style.base - pandemie::countOf(yesterday, style.series) * pixelsPerPerson;
            picture.Line(axis.x(day - 1), previousY, axis.x(day), y, tableColour(style.colour));
        }
    }
}

namespace {

// The number texts of the read-out: a blank in front of a value that is not
// negative, no decimal point for a whole number.
std::string numberText(double value) {
    std::array<char, 32> digits{};
    const int length = std::snprintf(digits.data(), digits.size(), "%.7g", value);
    std::string text = value >= 0 ? " " : "";
    text.append(digits.data(), static_cast<std::size_t>(length));
    return text;
}

// A count as percent of the counted persons, one decimal after a comma.
std::string percentOfPersons(int count) {
    std::array<char, 32> digits{};
    const int length =
        std::snprintf(digits.data(), digits.size(), "%.1f", count * 100.0 / pandemie::countedPersons);
    std::string text(digits.data(), static_cast<std::size_t>(length));
    std::replace(text.begin(), text.end(), '.', ',');
    return text + " %";
}

}  // namespace

std::string outcomeSentence(const pandemie::Trajectory& run) {
    const pandemie::RunSummary outcome = pandemie::summarize(0, run);
    return "H\u00F6chstens " + percentOfPersons(outcome.peakInfected) + " aktuell Infizierte an Tag " +
           std::to_string(outcome.peakDay) + ", " + percentOfPersons(outcome.final.countRecovered) +
           " Genesene an Tag " + std::to_string(static_cast<int>(run.size())) + ".";
}

Readout readoutAt(float mouseX, std::int16_t mouseY) {
    if (!(mouseX > 60 && mouseX < 900 && mouseY > 60 && mouseY < 560)) return {};
    const auto fromTop = static_cast<std::int16_t>(mouseY - 60);
    const auto percent = pandemie::toInteger16(static_cast<std::int16_t>(500 - fromTop) / 5.0);
    const auto day = pandemie::toInteger16((static_cast<double>(mouseX) - 60) / 4);
    return {numberText(mouseX) + "     " + numberText(mouseY), "rel. Anteil  " + numberText(percent) + "   %",
            "Tag   " + numberText(day)};
}

}  // namespace chart
