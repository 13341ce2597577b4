#include "chart/plot_frame.h"

#include <QFont>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace chart {

namespace {

QString changeText(const pandemie::Change& change) {
    const pandemie::ParameterInfo& info = pandemie::infoOf(change.parameter);
    return fromTable(change.value == 1 ? info.changeCaptionOne : info.changeCaption).arg(change.value);
}

}  // namespace

double textWidth(const QString& text, double points) {
    return QFontMetricsF(fontFor(QString(), points)).horizontalAdvance(text);
}

std::size_t labelStep(std::size_t values, std::size_t room) {
    return std::max<std::size_t>(1, (values + room - 1) / room);
}

void printText(Surface& picture, double x, double y, const QString& text, double points, Align align,
               const QColor& colour) {
    picture.setFontName(QString());
    picture.setFontSize(points);
    picture.setForeColor(colour);
    const double width = textWidth(text, points);
    picture.setCurrentX(align == Align::left ? x : align == Align::centre ? x - width / 2 : x - width);
    picture.setCurrentY(y);
    picture.Print(text);
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
    for (const pandemie::Change& change : pandemie::sortedByDay(changes)) {
        if (labels.empty() || labels.back().first != change.day) {
            labels.emplace_back(change.day, QStringLiteral("Tag %1: ").arg(change.day) + changeText(change));
        } else {
            labels.back().second += QStringLiteral(", ") + changeText(change);
        }
    }
    return labels;
}

double countAt(const pandemie::Trajectory& course, pandemie::Series series, int x) {
    const DayAxis axis = DayAxis::of(course);
    const double day = axis.dayAt(x);
    const int before = std::clamp(static_cast<int>(std::floor(day)), 1, axis.days);
    const int after = std::min(before + 1, axis.days);
    const double weight = std::clamp(day - before, 0.0, 1.0);
    const auto count = [&](int d) {
        return static_cast<double>(pandemie::countOf(DayAxis::countsOn(course, d), series));
    };
    return count(before) + (count(after) - count(before)) * weight;
}

void shadeBand(Surface& picture, const pandemie::Trajectory& lower, const pandemie::Trajectory& upper,
               pandemie::Series series, const std::function<double(double count)>& rowOf,
               const QColor& colour) {
    const DayAxis axis = DayAxis::of(upper);
    for (auto x = static_cast<int>(std::ceil(axis.x(1))); x <= axis.x(axis.days); ++x) {
        const double top = std::round(rowOf(countAt(upper, series, x)));
        const double bottom = std::round(rowOf(countAt(lower, series, x)));
        picture.LineFilledBox(x, top, x, bottom, colour);
    }
}

}  // namespace chart
