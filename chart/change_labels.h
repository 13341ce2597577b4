#pragma once
// The change days of the linear charts: a thin vertical line on each, drawn
// under the curves, and its label. Labels stand in one row above the plot
// area, each right of its line where it fits, else left of it, while all of
// them fit there; else they are listed below the image. Lines stay at least
// minLineGap pixels apart and at most listColumns x listRows are drawn:
// where there are more, every second, third, ... change day keeps its line
// and label, and a note counts the others.

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

#include <cstddef>
#include <functional>
#include <vector>

#include "chart/band_chart.h"
#include "chart/day_axis.h"
#include "chart/placement.h"
#include "chart/surface.h"
#include "model/scenario.h"

namespace chart {

struct ChangeLabel {
    int day = 0;
    std::size_t schedule = 0;  // whose change it is
    QString text;
    QRectF box;  // the white panel under the text, above the plot area; empty for a listed label
};

struct ChangeLabelLayout {
    std::vector<ChangeLabel> labels;  // the lines drawn, each with its label
    bool listed = false;              // the labels are listed below the image
    std::size_t leftOut = 0;          // change days without line and label
    QString note;  // "… und 3 weitere Änderungen ohne Linie", empty when none is left out
};

// Change lines at least this far apart, so that they never hatch the chart.
inline constexpr double minLineGap = 12;

// The labels of all schedules' change days; the row above the plot area
// keeps clear of `taken`.
[[nodiscard]] ChangeLabelLayout layoutChangeLabels(const std::vector<pandemie::Schedule>& schedules,
                                                   const DayAxis& axis = {},
                                                   const std::vector<QRectF>& taken = {});

// A label of one day's line in the row at y = top, right of the line where
// it fits, else left of it.
[[nodiscard]] ChangeLabel dayLabel(int day, const QString& text, double top = labelRowTop,
                                   const DayAxis& axis = {});

// A label's white panel and its text.
void drawLabelPanel(Surface& picture, const QRectF& box, const QString& text, const QColor& colour);

// The layout's lines, in the colours of their schedules, one pixel wide.
void drawChangeLines(Surface& picture, const ChangeLabelLayout& layout,
                     const std::function<QColor(std::size_t)>& colourOf, const DayAxis& axis = {});
// The labels above the plot area on their panels, in their schedules' colours.
void drawChangeLabels(Surface& picture, const ChangeLabelLayout& layout,
                      const std::function<QColor(std::size_t)>& colourOf);
// The listed labels and the note, for withListBelow.
[[nodiscard]] std::vector<ListEntry> listedChanges(const ChangeLabelLayout& layout,
                                                   const std::function<QColor(std::size_t)>& colourOf);

// One run's changes in grey.
[[nodiscard]] std::function<QColor(std::size_t)> greyChanges();

// The text shortened with "…" to at most width pixels in the plain face at that size.
[[nodiscard]] QString shortened(const QString& text, double points, double width);

}  // namespace chart
