#pragma once
// The forecast of a fit: exact runs from posterior draws, of which those
// closest to the observations are continued to the scope's last day.

#include <atomic>
#include <cstdint>

#include "model/fit.h"

namespace pandemie {

// Fills the result's matching runs, forecast candidates, bands and outcomes
// from its posterior; `done` counts the runs.
void forecastFromPosterior(FitResult& result, const FitSettings& settings,
                           const ObservationDistance& distance, const Spread& spread,
                           std::atomic<std::int64_t>* done);

}  // namespace pandemie
