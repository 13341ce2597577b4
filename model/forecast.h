#pragma once
// The forecast of a fit: exact runs from posterior draws, of which those
// closest to the observations are continued to the scope's last day.

#include <atomic>
#include <cstdint>

#include "model/fit.h"

namespace pandemie {

// Up to this many persons the forecast's runs are the exact engine's; beyond,
// the counting engine's, whose law is the same at a fraction of the cost.
inline constexpr int largestExactForecast = 2000;

[[nodiscard]] bool usesCountingEngine(const RunScope& scope) noexcept;

// Fills the result's matching runs, forecast candidates, bands, outcomes and
// the observed counts outside every matching run (misfit.observedPoints,
// pointsOutsideRuns) from its posterior; `done` counts the runs.
void forecastFromPosterior(FitResult& result, const FitSettings& settings,
                           const ObservationDistance& distance, const Spread& spread,
                           std::atomic<std::int64_t>* done);

}  // namespace pandemie
