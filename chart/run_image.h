#pragma once
// Charts drawn without a window, the same pixels as the window's chart.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

#include "chart/band_chart.h"
#include "chart/placement.h"
#include "chart/surface.h"
#include "model/band_stats.h"
#include "model/model.h"
#include "model/scenario.h"

namespace chart {

// The window's chart after its first run: the start-up frame, then the run's
// clear, frame, curves (line width 2) and caption; change days marked. A
// run of other than 180 days has its own day axis; its counts are of `persons`.
[[nodiscard]] QImage firstRunImage(const pandemie::Trajectory& run, const pandemie::Schedule& changes = {},
                                   int persons = pandemie::countedPersons);

// The same frame, the day axis that of the courses (in per mille of the
// persons, as band statistics give them), with each series' 10..90 % band shaded in a light tint of its
// colour and its median curve drawn over it, a key to both above the plot
// area and the number of runs and the parameters below it; no caption;
// change days marked.
[[nodiscard]] QImage bandImage(const pandemie::PercentileCourses& courses, std::int64_t runs,
                               const pandemie::Parameters& parameters,
                               const pandemie::Schedule& changes = {});

// bandImage before its line of runs and parameters, its change labels and
// the series' names; underCurves draws over the bands and frame, under the medians.
[[nodiscard]] Surface bandChart(const pandemie::PercentileCourses& courses,
                                const std::function<void(Surface&)>& underCurves = {});

// The series' names on a white panel in a spot of the plot area that
// covers no data; where there is none, they are left for the list below the image.
[[nodiscard]] std::vector<ListEntry> drawSeriesNames(Surface& picture);

void printKeyText(Surface& picture, int entry, const QString& text);

// The image as PNG file contents.
[[nodiscard]] QByteArray encodePng(const QImage& image);

}  // namespace chart
