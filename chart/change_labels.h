#pragma once
// The change days of the linear charts: a thin vertical line on each, and a
// label near the top of the plot area. Labels stand in rows from y = 64,
// each right of its line where it fits, else left of it; none overlaps
// another or leaves the plot area. Where not all fit, only every second,
// third, ... is labelled (every line is drawn), and a note below the rows
// counts the others; a label longer than the room beside its line ends in "…".

#include <QColor>
#include <QRectF>
#include <QString>

#include <cstddef>
#include <functional>
#include <vector>

#include "chart/day_axis.h"
#include "chart/surface.h"
#include "model/scenario.h"

namespace chart {

struct ChangeLabel {
    int day = 0;
    std::size_t schedule = 0;  // whose change it is
    QString text;
    QRectF box;  // the white panel under the text
};

struct ChangeLabelLayout {
    std::vector<ChangeLabel> labels;
    std::size_t leftOut = 0;  // change days without a label
    QString note;             // "… und 3 weitere Änderungen", empty when all are labelled
    QRectF noteBox;
    double bottom = 60;  // below the last row used, the top edge of the plot area without labels
};

// The top of the first row of labels.
inline constexpr double firstLabelRowTop = 64;

// The rows below y = 64 for labels in the charts of one run.
inline constexpr int runLabelRows = 8;

// The labels of all schedules' change days, in at most `rows` rows from y =
// top and a row for the note.
[[nodiscard]] ChangeLabelLayout layoutChangeLabels(const std::vector<pandemie::Schedule>& schedules, int rows,
                                                   double top = firstLabelRowTop, const DayAxis& axis = {});

// A label of one day's line in the row at y = top, placed as a change label;
// the next row starts at box.bottom() + 1.
[[nodiscard]] ChangeLabel dayLabel(int day, const QString& text, double top, const DayAxis& axis = {});

// A label's white panel and its text.
void drawLabelPanel(Surface& picture, const QRectF& box, const QString& text, const QColor& colour);

// Lines of every change day of every schedule in its colour, one pixel wide.
void drawChangeLines(Surface& picture, const std::vector<pandemie::Schedule>& schedules,
                     const std::function<QColor(std::size_t)>& colourOf, const DayAxis& axis = {});
// The labels on their panels, in their schedules' colours, the note in black.
void drawChangeLabels(Surface& picture, const ChangeLabelLayout& layout,
                      const std::function<QColor(std::size_t)>& colourOf);

// Lines of every change day of every schedule in its colour, then the labels.
void drawChangeMarkers(Surface& picture, const std::vector<pandemie::Schedule>& schedules,
                       const ChangeLabelLayout& layout, const std::function<QColor(std::size_t)>& colourOf,
                       const DayAxis& axis = {});

// One run's changes in grey.
void drawChangeMarkers(Surface& picture, const pandemie::Schedule& changes, const DayAxis& axis = {});

// The text shortened with "…" to at most width pixels in the plain face at that size.
[[nodiscard]] QString shortened(const QString& text, double points, double width);

}  // namespace chart
