#include "chart/change_labels.h"

#include <QFontMetricsF>

#include <algorithm>

#include "chart/plot_frame.h"

namespace chart {

namespace {

// Labels keep this far apart.
constexpr double gap = 4;
constexpr std::size_t mostLines = static_cast<std::size_t>(listColumns) * listRows;

QString leftOutNote(std::size_t count) {
    return count == 1 ? QStringLiteral("\u2026 und 1 weitere \u00C4nderung ohne Linie")
                      : QStringLiteral("\u2026 und %1 weitere \u00C4nderungen ohne Linie").arg(count);
}

// Every step-th label, with the smallest step that keeps the lines of
// different days minLineGap apart and their number at most mostLines.
std::vector<ChangeLabel> thinned(const std::vector<ChangeLabel>& all, const DayAxis& axis) {
    for (std::size_t step = 1;; ++step) {
        std::vector<ChangeLabel> kept;
        bool apart = true;
        for (std::size_t i = 0; i < all.size(); i += step) {
            if (!kept.empty() && kept.back().day != all[i].day &&
                axis.x(all[i].day) - axis.x(kept.back().day) < minLineGap)
                apart = false;
            kept.push_back(all[i]);
        }
        if ((apart && kept.size() <= mostLines) || step >= all.size()) return kept;
    }
}

// Each label beside its line in the row above the plot area; false when one
// would overlap another or what is taken.
bool fitInRow(std::vector<ChangeLabel>& labels, const DayAxis& axis, std::vector<QRectF> taken) {
    for (ChangeLabel& label : labels) {
        label.box = dayLabel(label.day, label.text, labelRowTop, axis).box;
        if (label.text != dayLabel(label.day, label.text, labelRowTop, axis).text) return false;
        const QRectF wide = label.box.adjusted(-gap, 0, gap, 0);
        if (std::any_of(taken.begin(), taken.end(), [&](const QRectF& box) { return box.intersects(wide); }))
            return false;
        taken.push_back(label.box);
    }
    return true;
}

}  // namespace

QString shortened(const QString& text, double points, double width) {
    return QFontMetricsF(fontFor(QString(), points)).elidedText(text, Qt::ElideRight, width);
}

ChangeLabelLayout layoutChangeLabels(const std::vector<pandemie::Schedule>& schedules, const DayAxis& axis,
                                     const std::vector<QRectF>& taken) {
    std::vector<ChangeLabel> all;
    for (std::size_t s = 0; s < schedules.size(); ++s)
        for (const auto& [day, label] : changeLabels(schedules[s]))
            if (day >= 0 && day <= axis.days) all.push_back({day, s, label, {}});
    std::stable_sort(all.begin(), all.end(),
                     [](const ChangeLabel& a, const ChangeLabel& b) { return a.day < b.day; });

    ChangeLabelLayout layout;
    layout.labels = thinned(all, axis);
    layout.leftOut = all.size() - layout.labels.size();
    if (layout.leftOut > 0) layout.note = leftOutNote(layout.leftOut);
    layout.listed = layout.leftOut > 0 || !fitInRow(layout.labels, axis, taken);
    if (layout.listed)
        for (ChangeLabel& label : layout.labels) label.box = {};
    return layout;
}

ChangeLabel dayLabel(int day, const QString& text, double top, const DayAxis& axis) {
    const QString shown = shortened(text, changeTextSize, labelRoom(axis, day));
    const Rect panel = labelPanel(axis, day, textWidth(shown, changeTextSize), top);
    return {day, 0, shown, toQRectF(panel)};
}

void drawLabelPanel(Surface& picture, const QRectF& box, const QString& text, const QColor& colour) {
    drawLabelPanel(static_cast<Canvas&>(picture), fromQRectF(box), text.toStdString(), fromQColor(colour));
}

void drawChangeLines(Surface& picture, const ChangeLabelLayout& layout,
                     const std::function<QColor(std::size_t)>& colourOf, const DayAxis& axis) {
    const int width = picture.DrawWidth();
    picture.setDrawWidth(1);
    // A line from its label above the plot area down to the day axis.
    const double top = layout.listed ? 61 : labelRowTop;
    for (const ChangeLabel& label : layout.labels)
        picture.Line(axis.x(label.day), top, axis.x(label.day), 559, colourOf(label.schedule));
    picture.setDrawWidth(width);
}

void drawChangeLabels(Surface& picture, const ChangeLabelLayout& layout,
                      const std::function<QColor(std::size_t)>& colourOf) {
    if (layout.listed) return;
    for (const ChangeLabel& label : layout.labels)
        drawLabelPanel(picture, label.box, label.text, colourOf(label.schedule));
}

std::vector<ListEntry> listedChanges(const ChangeLabelLayout& layout,
                                     const std::function<QColor(std::size_t)>& colourOf) {
    std::vector<ListEntry> entries;
    if (!layout.listed) return entries;
    for (const ChangeLabel& label : layout.labels) entries.push_back({label.text, colourOf(label.schedule)});
    if (!layout.note.isEmpty()) entries.push_back({layout.note, QBColor(0)});
    return entries;
}

std::function<QColor(std::size_t)> greyChanges() {
    return [](std::size_t) { return QBColor(8); };
}

}  // namespace chart
