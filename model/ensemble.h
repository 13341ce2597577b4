#pragma once
// What a run's figures are, and many independent runs spread over worker
// threads. Run i uses the seed base + i, so the results never depend on the
// number of threads.

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>

#include "model/model.h"
#include "model/parameters.h"

namespace pandemie {

struct RunSummary {
    std::uint64_t seed = 0;
    int peakInfected = 0;  // largest infected count of days 1..D
    int peakDay = 0;       // first day on which it is reached
    DailyCounts final;     // the counts of day D

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

// The scope last, so that callers which run the window's scope leave it out.
struct EnsembleOptions {
    std::uint64_t baseSeed = windowSeed;
    std::int64_t runs = 1;
    int threads = 1;
    RunScope scope{};
};

// The most threads one ensemble is given; more would only wait for a core.
inline constexpr int mostThreads = 256;

// One thread per processor core, from 1 to mostThreads.
[[nodiscard]] int hardwareThreads();

// Calls work(i) for every i in 0..count-1 from up to `threads` threads, the
// caller's among them, each i exactly once and in no particular order; or,
// once the stop flag of the calling thread's StopScope is set, hands out no
// further index and throws Stopped after the threads are done.
void forEachIndex(std::int64_t count, int threads, const std::function<void(std::int64_t)>& work);

// Long work that its caller may stop early, as an interactive session does
// on Ctrl-C: no result is made of a part of the runs.
struct Stopped : std::exception {
    [[nodiscard]] const char* what() const noexcept override { return "stopped"; }
};

// While it lives, forEachIndex on this thread watches `flag`.
class StopScope {
public:
    explicit StopScope(const std::atomic<bool>& flag) noexcept;
    ~StopScope();
    StopScope(const StopScope&) = delete;
    StopScope& operator=(const StopScope&) = delete;
    StopScope(StopScope&&) = delete;
    StopScope& operator=(StopScope&&) = delete;

private:
    const std::atomic<bool>* previous_;
};

}  // namespace pandemie
