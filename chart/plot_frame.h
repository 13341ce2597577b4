#pragma once
// Pieces shared by the chart images: texts placed by their size, German
// names of the parameters and measures, the change-day markers, bands.

#include <QColor>
#include <QString>

#include <functional>
#include <string_view>

#include "chart/day_axis.h"
#include "chart/surface.h"
#include "model/scenario.h"

namespace chart {

// Width in pixels of text printed in the chart's plain face at that size.
[[nodiscard]] double textWidth(const QString& text, double points);

// Every one of `values` labelled while there is room for `room` labels, else every second, third, ...
[[nodiscard]] std::size_t labelStep(std::size_t values, std::size_t room);

enum class Align : std::uint8_t { left, centre, right };

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

// The count of a series at pixel column x, linear between the days'
// positions; the axis is the course's days.
[[nodiscard]] double countAt(const pandemie::Trajectory& course, pandemie::Series series, int x);

// The band between two courses of a series, filled one pixel column at a
// time from the first day to the last; rowOf gives the row of a count.
void shadeBand(Surface& picture, const pandemie::Trajectory& lower, const pandemie::Trajectory& upper,
               pandemie::Series series, const std::function<double(double count)>& rowOf,
               const QColor& colour);

}  // namespace chart
