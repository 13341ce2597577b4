#include "chart/plot_frame.h"

#include <QFont>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace chart {

namespace {

QString changeText(const pandemie::Change& change) {
    QString value = QString::number(change.value);
    switch (change.parameter) {
        case pandemie::Parameter::encounters:
            return value + QStringLiteral(" Tsd. Begegnungen/Tag");
        case pandemie::Parameter::infection:
            return QStringLiteral("Infektion ") + value + QStringLiteral(" o/oo");
        case pandemie::Parameter::latency:
            return QStringLiteral("Latenz ") + value + QStringLiteral(" Tage");
        case pandemie::Parameter::recovery:
            return QStringLiteral("Genesung nach ") + value + QStringLiteral(" Tagen");
    }
    return value;
}

}  // namespace

double textWidth(const QString& text, double points) {
    return QFontMetricsF(fontFor(QString(), points)).horizontalAdvance(text);
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
    switch (parameter) {
        case pandemie::Parameter::encounters:
            return QStringLiteral("Begegnungen pro Tag (Tausend)");
        case pandemie::Parameter::infection:
            return QStringLiteral("Infektions - Wahrscheinlichkeit in  o/oo");
        case pandemie::Parameter::latency:
            return QStringLiteral("Latenzzeit / Tage");
        case pandemie::Parameter::recovery:
            return QStringLiteral("Genesungszeit / Tage");
    }
    return {};
}

QString outcomeCaption(pandemie::Outcome outcome) {
    switch (outcome) {
        case pandemie::Outcome::peakInfected:
            return QStringLiteral("höchster Anteil aktuell Infizierter in %");
        case pandemie::Outcome::peakDay:
            return QStringLiteral("Tag mit den meisten aktuell Infizierten");
        case pandemie::Outcome::finalRecovered:
            return QStringLiteral("Genesene am Tag 180 in %");
    }
    return {};
}

double outcomeOnAxis(pandemie::Outcome outcome, double value) {
    return outcome == pandemie::Outcome::peakDay ? value : value / 10.0;
}

double outcomeAxisTop(pandemie::Outcome outcome) {
    return outcome == pandemie::Outcome::peakDay ? pandemie::runDays : 100.0;
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
    const double day = (x - 60) / 4.0;
    const int before = std::clamp(static_cast<int>(std::floor(day)), 1, pandemie::runDays);
    const int after = std::min(before + 1, pandemie::runDays);
    const double weight = std::clamp(day - before, 0.0, 1.0);
    const auto count = [&](int d) {
        return static_cast<double>(pandemie::countOf(course[static_cast<std::size_t>(d - 1)], series));
    };
    return count(before) + (count(after) - count(before)) * weight;
}

void shadeBand(Surface& picture, const pandemie::Trajectory& lower, const pandemie::Trajectory& upper,
               pandemie::Series series, const std::function<double(double count)>& rowOf,
               const QColor& colour) {
    for (int x = 60 + 4; x <= 60 + 4 * pandemie::runDays; ++x) {
        const double top = std::round(rowOf(countAt(upper, series, x)));
        const double bottom = std::round(rowOf(countAt(lower, series, x)));
        picture.LineFilledBox(x, top, x, bottom, colour);
    }
}

}  // namespace chart
