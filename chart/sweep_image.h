#pragma once
// Images of a parameter sweep: the measure against one swept parameter as a
// median line over its 10..90 % band, or its median over a grid of two as a
// heat map with a colour scale.

#include <QColor>
#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

#include "chart/heat_map.h"  // viridis, the heat map's scale
#include "model/scenario.h"

namespace chart {

using pandemie::SweepAxis;

struct PointFigures {
    int p10 = 0;
    int p50 = 0;
    int p90 = 0;
};

// What a sweep's image says below it: the runs of each point, the values
// of the parameters not swept and the changes that held in every run.
struct SweepSetting {
    std::int64_t runsPerPoint = 0;
    pandemie::Parameters parameters;
    pandemie::Schedule changes;
};

// "Je Punkt 100 Läufe; fest: Infektion 8 o/oo, ..." and "Änderungen: keine"
// or the changes' labels, for the parameters not among `swept`.
[[nodiscard]] std::vector<QString> settingLines(const SweepSetting& setting,
                                                const std::vector<pandemie::Parameter>& swept);

// points[i] belongs to axis.values[i].
// Figures of runs of `scope`: persons of its population, days up to its last.
[[nodiscard]] QImage sweepLineImage(const SweepAxis& axis, pandemie::Outcome measure,
                                    const std::vector<PointFigures>& points,
                                    const pandemie::RunScope& scope = {}, const SweepSetting& setting = {});

// medians[i * y.values.size() + j] belongs to x.values[i] and y.values[j].
// The colour scale spans the medians shown, from the least (dark violet)
// to the greatest (yellow); all of one value are drawn in its middle colour.
[[nodiscard]] QImage heatMapImage(const SweepAxis& x, const SweepAxis& y, pandemie::Outcome measure,
                                  const std::vector<int>& medians, const pandemie::RunScope& scope = {},
                                  const SweepSetting& setting = {});

// The line for one axis, the heat map for two; points in the order of sweepGrid.
[[nodiscard]] QImage sweepImage(const std::vector<SweepAxis>& axes, pandemie::Outcome measure,
                                const std::vector<pandemie::OutcomeStatistics>& points,
                                const pandemie::RunScope& scope = {}, const SweepSetting& setting = {});

}  // namespace chart
