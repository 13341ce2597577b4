#include "chart/run_image.h"

#include <QBuffer>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "chart/change_labels.h"
#include "chart/chart.h"
#include "chart/plot_frame.h"
#include "chart/surface.h"
#include "model/counted.h"

namespace chart {

namespace {

std::vector<ListEntry> toListEntries(const std::vector<ListedText>& texts) {
    std::vector<ListEntry> entries;
    entries.reserve(texts.size());
    for (const ListedText& text : texts) entries.push_back({fromTable(text.text), toQColor(text.colour)});
    return entries;
}

}  // namespace

QImage firstRunImage(const pandemie::Trajectory& run, const pandemie::Schedule& changes, int persons) {
    const DayAxis axis = DayAxis::of(run);
    const ChangeLabelLayout layout = layoutChangeLabels({changes}, axis);
    Surface picture;
    clearAfterStartUp(picture);
    rahmen2(picture, axis);
    drawChangeLines(picture, layout, greyChanges(), axis);
    plotCourse(picture, run, persons);
    copyright(picture);
    drawChangeLabels(picture, layout, greyChanges());
    return withListBelow(picture.image(), listedChanges(layout, greyChanges()));
}

std::vector<ListEntry> drawSeriesNames(Surface& picture) {
    return toListEntries(drawSeriesNames(static_cast<Canvas&>(picture)));
}

void printKeyText(Surface& picture, int entry, const QString& text) {
    printKeyText(static_cast<Canvas&>(picture), entry, text.toStdString());
}

Surface bandChart(const pandemie::PercentileCourses& courses,
                  const std::function<void(Surface&)>& underCurves) {
    Surface picture;
    drawBandChart(picture, courses, [&](Canvas&) {
        if (underCurves) underCurves(picture);
    });
    return picture;
}

QImage bandImage(const pandemie::PercentileCourses& courses, std::int64_t runs,
                 const pandemie::Parameters& parameters, const pandemie::Schedule& changes) {
    const DayAxis axis = DayAxis::of(courses.p50);
    const ChangeLabelLayout layout = layoutChangeLabels({changes}, axis);
    Surface picture =
        bandChart(courses, [&](Surface& chart) { drawChangeLines(chart, layout, greyChanges(), axis); });
    drawRunsAndParameters(picture, runs, parameters);
    drawChangeLabels(picture, layout, greyChanges());
    std::vector<ListEntry> listed = drawSeriesNames(picture);
    const std::vector<ListEntry> changesListed = listedChanges(layout, greyChanges());
    listed.insert(listed.end(), changesListed.begin(), changesListed.end());
    return withListBelow(picture.image(), listed);
}

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return {};
    return bytes;
}

}  // namespace chart
