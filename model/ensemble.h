#pragma once
// What a run's figures are, and many independent runs spread over worker
// threads. Run i uses the seed base + i, so the results never depend on the
// number of threads.

#include <cstdint>
#include <functional>

#include "model/model.h"
#include "model/parameters.h"

namespace pandemie {

struct RunSummary {
    std::uint64_t seed = 0;
    int peakInfected = 0;  // largest infected count of days 1..180
    int peakDay = 0;       // first day on which it is reached
    DailyCounts final;     // the counts of day 180

    friend bool operator==(const RunSummary&, const RunSummary&) = default;
};

[[nodiscard]] RunSummary summarize(std::uint64_t seed, const Trajectory& trajectory);

[[nodiscard]] constexpr int outcomeValue(const RunSummary& summary, Outcome outcome) noexcept {
    switch (outcome) {
        case Outcome::peakInfected:
            return summary.peakInfected;
        case Outcome::peakDay:
            return summary.peakDay;
        case Outcome::finalRecovered:
            return summary.final.countRecovered;
    }
    return 0;
}

struct EnsembleOptions {
    std::uint64_t baseSeed = windowSeed;
    std::int64_t runs = 1;
    int threads = 1;
};

// Calls work(i) for every i in 0..count-1 from up to `threads` threads, the
// caller's among them, each i exactly once and in no particular order.
void forEachIndex(std::int64_t count, int threads, const std::function<void(std::int64_t)>& work);

}  // namespace pandemie
