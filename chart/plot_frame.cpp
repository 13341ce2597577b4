#include "chart/plot_frame.h"

#include <QFont>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace chart {

double textWidth(const QString& text, double points) {
    return QFontMetricsF(fontFor(QString(), points)).horizontalAdvance(text);
}

std::size_t labelStep(std::size_t values, std::size_t room) {
    return std::max<std::size_t>(1, (values + room - 1) / room);
}

void printText(Surface& picture, double x, double y, const QString& text, double points, Align align,
               const QColor& colour) {
    printText(static_cast<Canvas&>(picture), x, y, text.toStdString(), points, align, fromQColor(colour));
}

QString parameterCaption(pandemie::Parameter parameter) {
    return fromTable(pandemie::infoOf(parameter).axisCaption);
}

QString outcomeCaption(pandemie::Outcome outcome, const pandemie::RunScope& scope) {
    QString caption = fromTable(pandemie::infoOf(outcome).caption);
    if (outcome == pandemie::Outcome::finalRecovered)
        caption.replace(QString::number(pandemie::runDays), QString::number(scope.days));
    return caption;
}

double outcomeOnAxis(pandemie::Outcome outcome, double value, const pandemie::RunScope& scope) {
    return outcome == pandemie::Outcome::peakDay ? value : value * 100 / scope.persons;
}

double outcomeAxisTop(pandemie::Outcome outcome, const pandemie::RunScope& scope) {
    return outcome == pandemie::Outcome::peakDay ? scope.days : 100.0;
}

std::vector<std::pair<int, QString>> changeLabels(const pandemie::Schedule& changes) {
    std::vector<std::pair<int, QString>> labels;
    for (const auto& [day, text] : changeLabelTexts(changes)) labels.emplace_back(day, fromTable(text));
    return labels;
}

}  // namespace chart
