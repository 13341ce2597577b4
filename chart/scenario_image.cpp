#include "chart/scenario_image.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "chart/plot_frame.h"
#include "chart/surface.h"

namespace chart {

namespace {

using pandemie::runDays;

// The percent scale: the smallest of these that holds every band.
double percentTop(const std::vector<ScenarioCourses>& scenarios) {
    int highest = 0;
    for (const ScenarioCourses& scenario : scenarios)
        for (const pandemie::DailyCounts& counts : scenario.courses.p90)
            highest = std::max(highest, counts.countInfected);
    for (const double top : {10.0, 20.0, 50.0})
        if (highest <= top * 10) return top;
    return 100;
}

class InfectedAxis {
public:
    explicit InfectedAxis(double top) : top_(top) {}
    [[nodiscard]] double top() const { return top_; }
    [[nodiscard]] double y(double count) const { return 560 - 500 * (count / 10.0) / top_; }

private:
    double top_;
};

void shadeScenarioBand(Surface& picture, const ScenarioCourses& scenario, const InfectedAxis& axis,
                       QColor colour) {
    colour.setAlpha(56);  // overlapping bands stay visible through each other
    shadeBand(
        picture, scenario.courses.p10, scenario.courses.p90, pandemie::Series::infected,
        [&](double count) { return axis.y(count); }, colour);
}

void drawMedian(Surface& picture, const pandemie::Trajectory& median, const InfectedAxis& axis,
                const QColor& colour) {
    picture.setDrawWidth(2);
    for (int day = 2; day <= runDays; ++day) {
        picture.Line(60 + 4 * (day - 1), axis.y(median[static_cast<std::size_t>(day - 2)].countInfected),
                     60 + 4 * day, axis.y(median[static_cast<std::size_t>(day - 1)].countInfected), colour);
    }
    picture.setDrawWidth(1);
}

void drawFrame(Surface& picture, const InfectedAxis& axis) {
    picture.setDrawWidth(1);
    picture.LineBox(60, 60, 783, 560, QBColor(0));
    for (int i = 1; i <= 5; ++i) picture.Line(60 + 120 * i, 60, 60 + 120 * i, 560, QBColor(7));
    for (int j = 1; j <= 4; ++j) picture.Line(61, 60 + 100 * j, 782, 60 + 100 * j, QBColor(7));
    for (int day = 0; day <= runDays; day += 30)
        printText(picture, 60 + 4 * day, 568, QString::number(day), 9, Align::centre);
    printText(picture, 705, 585, QStringLiteral("Tage"), 9);
    for (int j = 0; j <= 5; ++j) {
        const double percent = axis.top() * j / 5;
        printText(picture, 52, 553 - 100 * j, QString::number(percent), 9, Align::right);
    }
    printText(picture, 60, 30, QStringLiteral("aktuell Infizierte in %  (Median und 10 - 90 % Band)"), 12);
}

void drawLegend(Surface& picture, const std::vector<ScenarioCourses>& scenarios) {
    constexpr double size = 11;
    constexpr double rowHeight = 18;
    double widest = 0;
    for (const ScenarioCourses& scenario : scenarios)
        widest = std::max(widest, textWidth(scenario.name, size));
    const double right = 773;
    const double left = right - widest - 44;
    const double top = 70;
    picture.LineFilledBox(left, top, right, top + 8 + rowHeight * static_cast<double>(scenarios.size()),
                          QBColor(15));
    picture.LineBox(left, top, right, top + 8 + rowHeight * static_cast<double>(scenarios.size()),
                    QBColor(8));
    for (std::size_t s = 0; s < scenarios.size(); ++s) {
        const double y = top + 4 + rowHeight * static_cast<double>(s);
        picture.LineFilledBox(left + 8, y + 5, left + 30, y + 12, scenarioColour(s));
        printText(picture, left + 36, y, scenarios[s].name, size, Align::left, QBColor(0));
    }
}

}  // namespace

QColor scenarioColour(std::size_t index) {
    static const std::array<QColor, 8> colours{QBColor(12),          QColor(0, 90, 220),  QColor(0, 150, 60),
                                               QColor(150, 60, 190), QColor(230, 130, 0), QColor(0, 150, 160),
                                               QColor(140, 90, 40),  QBColor(8)};
    return colours.at(index % colours.size());
}

QImage scenarioImage(const std::vector<ScenarioCourses>& scenarios) {
    Surface picture;
    const InfectedAxis axis(percentTop(scenarios));
    for (std::size_t s = 0; s < scenarios.size(); ++s)
        shadeScenarioBand(picture, scenarios[s], axis, scenarioColour(s));
    drawFrame(picture, axis);
    for (std::size_t s = 0; s < scenarios.size(); ++s)
        drawMedian(picture, scenarios[s].courses.p50, axis, scenarioColour(s));
    int row = 0;
    for (std::size_t s = 0; s < scenarios.size(); ++s)
        drawChangeMarkers(picture, scenarios[s].changes, scenarioColour(s), row);
    drawLegend(picture, scenarios);
    return picture.image();
}

}  // namespace chart
