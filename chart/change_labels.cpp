#include "chart/change_labels.h"

#include <QFontMetricsF>

#include <algorithm>

#include "chart/plot_frame.h"

namespace chart {

namespace {

constexpr double textSize = 8;
constexpr double rowHeight = 13;
// Labels keep inside the plot area's inner edges, and this far apart.
constexpr double innerLeft = 62;
constexpr double innerRight = 781;
constexpr double gap = 4;
constexpr double widest = 460;

double rowTop(double firstTop, int row) {
    return firstTop + rowHeight * row;
}

// The panel of a text whose left edge is at left, in the row at top.
QRectF panelOf(double left, double top, double width) {
    return {left - 1, top, width + 2, rowHeight - 1};
}

struct Candidate {
    int day;
    std::size_t schedule;
    QString text;
    double left;
    double width;
};

// Right of the line where the label fits, else left of it, else shortened on
// the side with more room.
Candidate placedBeside(int day, std::size_t schedule, const QString& label, const DayAxis& axis) {
    const double x = axis.x(day);
    const double rightRoom = innerRight - (x + 3);
    const double leftRoom = (x - 3) - innerLeft;
    const QString text = shortened(label, textSize, std::min(widest, std::max(rightRoom, leftRoom)));
    const double width = textWidth(text, textSize);
    const bool right = width <= rightRoom || rightRoom >= leftRoom;
    return {day, schedule, text, right ? x + 3 : x - 3 - width, width};
}

// Each candidate in the first row where it keeps clear of the others; false
// when one finds no row.
bool fillRows(const std::vector<Candidate>& candidates, int rows, double firstTop,
              std::vector<ChangeLabel>& placed) {
    std::vector<std::vector<std::pair<double, double>>> taken(static_cast<std::size_t>(rows));
    placed.clear();
    for (const Candidate& c : candidates) {
        const double from = c.left - 1 - gap;
        const double to = c.left + c.width + 1 + gap;
        int row = 0;
        for (; row < rows; ++row) {
            const auto& spans = taken[static_cast<std::size_t>(row)];
            if (std::none_of(spans.begin(), spans.end(),
                             [&](const auto& span) { return from < span.second && span.first < to; }))
                break;
        }
        if (row == rows) return false;
        taken[static_cast<std::size_t>(row)].emplace_back(c.left - 1, c.left + c.width + 1);
        placed.push_back({c.day, c.schedule, c.text, panelOf(c.left, rowTop(firstTop, row), c.width)});
    }
    return true;
}

QString leftOutNote(std::size_t count) {
    return count == 1 ? QStringLiteral("\u2026 und 1 weitere \u00C4nderung")
                      : QStringLiteral("\u2026 und %1 weitere \u00C4nderungen").arg(count);
}

}  // namespace

QString shortened(const QString& text, double points, double width) {
    return QFontMetricsF(fontFor(QString(), points)).elidedText(text, Qt::ElideRight, width);
}

ChangeLabelLayout layoutChangeLabels(const std::vector<pandemie::Schedule>& schedules, int rows, double top,
                                     const DayAxis& axis) {
    std::vector<Candidate> all;
    for (std::size_t s = 0; s < schedules.size(); ++s)
        for (const auto& [day, label] : changeLabels(schedules[s]))
            all.push_back(placedBeside(day, s, label, axis));
    std::stable_sort(all.begin(), all.end(),
                     [](const Candidate& a, const Candidate& b) { return a.day < b.day; });

    ChangeLabelLayout layout;
    if (all.empty()) return layout;
    // Every step-th label, the smallest step with which they all find a row.
    for (std::size_t step = 1;; ++step) {
        std::vector<Candidate> every;
        for (std::size_t i = 0; i < all.size(); i += step) every.push_back(all[i]);
        if (fillRows(every, rows, top, layout.labels)) break;
    }
    double bottom = top;
    for (const ChangeLabel& label : layout.labels) bottom = std::max(bottom, label.box.bottom());
    layout.leftOut = all.size() - layout.labels.size();
    if (layout.leftOut > 0) {
        layout.note = leftOutNote(layout.leftOut);
        layout.noteBox = panelOf(innerLeft + 2, bottom + 1, textWidth(layout.note, textSize));
        bottom = layout.noteBox.bottom();
    }
    layout.bottom = bottom;
    return layout;
}

ChangeLabel dayLabel(int day, const QString& text, double top, const DayAxis& axis) {
    const Candidate placed = placedBeside(day, 0, text, axis);
    return {day, 0, placed.text, panelOf(placed.left, top, placed.width)};
}

void drawLabelPanel(Surface& picture, const QRectF& box, const QString& text, const QColor& colour) {
    // Both corners of a filled box belong to it.
    picture.LineFilledBox(box.left(), box.top(), box.right() - 1, box.bottom() - 1, QBColor(15));
    printText(picture, box.left() + 1, box.top() - 1, text, textSize, Align::left, colour);
}

void drawChangeLines(Surface& picture, const std::vector<pandemie::Schedule>& schedules,
                     const std::function<QColor(std::size_t)>& colourOf, const DayAxis& axis) {
    const int width = picture.DrawWidth();
    picture.setDrawWidth(1);
    for (std::size_t s = 0; s < schedules.size(); ++s)
        for (const auto& [day, label] : changeLabels(schedules[s]))
            picture.Line(axis.x(day), 60, axis.x(day), 560, colourOf(s));
    picture.setDrawWidth(width);
}

void drawChangeLabels(Surface& picture, const ChangeLabelLayout& layout,
                      const std::function<QColor(std::size_t)>& colourOf) {
    for (const ChangeLabel& label : layout.labels)
        drawLabelPanel(picture, label.box, label.text, colourOf(label.schedule));
    if (!layout.note.isEmpty()) drawLabelPanel(picture, layout.noteBox, layout.note, QBColor(0));
}

void drawChangeMarkers(Surface& picture, const std::vector<pandemie::Schedule>& schedules,
                       const ChangeLabelLayout& layout, const std::function<QColor(std::size_t)>& colourOf,
                       const DayAxis& axis) {
    drawChangeLines(picture, schedules, colourOf, axis);
    drawChangeLabels(picture, layout, colourOf);
}

void drawChangeMarkers(Surface& picture, const pandemie::Schedule& changes, const DayAxis& axis) {
    const std::vector<pandemie::Schedule> schedules{changes};
    drawChangeMarkers(
        picture, schedules, layoutChangeLabels(schedules, runLabelRows, firstLabelRowTop, axis),
        [](std::size_t) { return QBColor(8); }, axis);
}

}  // namespace chart
