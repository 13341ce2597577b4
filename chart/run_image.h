#pragma once
// Charts drawn without a window, the same pixels as the window's chart.

#include <QByteArray>
#include <QImage>

#include <cstdint>

#include "model/band_stats.h"
#include "model/model.h"
#include "model/scenario.h"

namespace chart {

// The window's chart after its first run: the start-up frame, then the run's
// clear, frame, curves (line width 2) and caption; change days marked.
[[nodiscard]] QImage firstRunImage(const pandemie::Trajectory& run, const pandemie::Schedule& changes = {});

// The same frame with each series' 10..90 % band shaded in a light tint of its
// colour and its median curve drawn over it, a key to both above the plot
// area and the number of runs and the parameters below it; no caption;
// change days marked.
[[nodiscard]] QImage bandImage(const pandemie::PercentileCourses& courses, std::int64_t runs,
                               const pandemie::Parameters& parameters,
                               const pandemie::Schedule& changes = {});

// The image as PNG file contents.
[[nodiscard]] QByteArray encodePng(const QImage& image);

}  // namespace chart
