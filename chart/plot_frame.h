#pragma once
// Pieces shared by the chart images: texts placed by their size, German
// names of the parameters and measures, the change-day markers, bands.

#include <QColor>
#include <QString>

#include <functional>
#include <string_view>

#include "chart/band_chart.h"
#include "chart/day_axis.h"
#include "chart/surface.h"
#include "model/scenario.h"

namespace chart {

// Width in pixels of text printed in the chart's plain face at that size.
[[nodiscard]] double textWidth(const QString& text, double points);

// Every one of `values` labelled while there is room for `room` labels, else every second, third, ...
[[nodiscard]] std::size_t labelStep(std::size_t values, std::size_t room);

// Prints text in the plain face with its top at y, aligned on x.
void printText(Surface& picture, double x, double y, const QString& text, double points,
               Align align = Align::left, const QColor& colour = QBColor(0));

// The axis captions of the tables: "Begegnungen pro Tag (Tausend)", ...
[[nodiscard]] QString parameterCaption(pandemie::Parameter parameter);
// The last day in the caption of the persons recovered is the scope's.
[[nodiscard]] QString outcomeCaption(pandemie::Outcome outcome, const pandemie::RunScope& scope = {});

// A figure on the axis of its caption: persons in percent of the scope's,
// days as they are; the axis runs up to 100 % or the scope's last day.
[[nodiscard]] double outcomeOnAxis(pandemie::Outcome outcome, double value,
                                   const pandemie::RunScope& scope = {});
[[nodiscard]] double outcomeAxisTop(pandemie::Outcome outcome, const pandemie::RunScope& scope = {});

// "Tag 30: 4 Tsd. Begegnungen/Tag, Latenz 3 Tage" for each day with changes.
[[nodiscard]] std::vector<std::pair<int, QString>> changeLabels(const pandemie::Schedule& changes);

// A band's tint of the series' colour: three quarters of the way to white.
[[nodiscard]] inline QColor lightTint(const QColor& colour) {
    return toQColor(lightTint(fromQColor(colour)));
}

}  // namespace chart
