#include "plot_frame.h"

#include <QFont>
#include <QFontMetricsF>

#include <cmath>

namespace chart {

namespace {

// The face and pixel size that Surface::Print uses for an empty face name.
QFont plainFont(double points) {
    QFont font(QStringLiteral("Carlito"));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0))));
    return font;
}

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

constexpr double markerTextSize = 8;
constexpr double markerRowHeight = 13;

}  // namespace

double textWidth(const QString& text, double points) {
    return QFontMetricsF(plainFont(points)).horizontalAdvance(text);
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

void drawChangeMarkers(Surface& picture, const pandemie::Schedule& changes, const QColor& colour, int& row) {
    const int width = picture.DrawWidth();
    picture.setDrawWidth(1);
    for (const auto& [day, label] : changeLabels(changes)) {
        const double x = 60 + 4 * day;
        picture.Line(x, 60, x, 560, colour);
        const double y = 64 + markerRowHeight * row++;
        const double labelWidth = textWidth(label, markerTextSize);
        // Right of the line while it fits in the frame, else left of it.
        const double left = x + 3 + labelWidth <= 781 ? x + 3 : x - 3 - labelWidth;
        picture.LineFilledBox(left - 1, y, left + labelWidth, y + markerRowHeight - 2, QBColor(15));
        printText(picture, left, y - 1, label, markerTextSize, Align::left, colour);
    }
    picture.setDrawWidth(width);
}

void drawChangeMarkers(Surface& picture, const pandemie::Schedule& changes) {
    int row = 0;
    drawChangeMarkers(picture, changes, QBColor(8), row);
}

}  // namespace chart
