#pragma once
// Many independent runs of the model, spread over worker threads. Run i uses
// the seed base + i, so the results never depend on the number of threads.

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/model.h"

namespace pandemie {

struct RunSummary {
    std::uint64_t seed = 0;
    int peakInfected = 0;  // largest infected count of days 1..180
    int peakDay = 0;       // first day on which it is reached
    DailyCounts final;     // the counts of day 180

    friend bool operator==(const RunSummary&, const RunSummary&) = default;
};

[[nodiscard]] RunSummary summarize(std::uint64_t seed, const Trajectory& trajectory);

struct EnsembleOptions {
    std::uint64_t baseSeed = windowSeed;
    std::int64_t runs = 1;
    int threads = 1;
};

// Calls work(i) for every i in 0..count-1 from up to `threads` threads, the
// caller's among them, each i exactly once and in no particular order.
void forEachIndex(std::int64_t count, int threads, const std::function<void(std::int64_t)>& work);

// Calls onRun(run, trajectory) for every run 0..runs-1 from the worker
// threads, each run exactly once and in no particular order; onRun must be
// safe to call concurrently for different runs.
void forEachRun(const Parameters& parameters, const EnsembleOptions& options,
                const std::function<void(std::int64_t run, const Trajectory&)>& onRun);

// The summaries of all runs, in run order.
[[nodiscard]] std::vector<RunSummary> runEnsemble(const Parameters& parameters,
                                                  const EnsembleOptions& options);

}  // namespace pandemie
