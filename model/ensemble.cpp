#include "ensemble.h"

#include <algorithm>
#include <thread>

namespace pandemie {

RunSummary summarize(std::uint64_t seed, const Trajectory& trajectory) {
    RunSummary summary{seed, -1, 0, trajectory.back()};
    for (int day = 1; day <= runDays; ++day) {
        const int infectedToday = trajectory[static_cast<std::size_t>(day - 1)].countInfected;
        if (infectedToday > summary.peakInfected) {
            summary.peakInfected = infectedToday;
            summary.peakDay = day;
        }
    }
    return summary;
}

void forEachRun(const Parameters& parameters, const EnsembleOptions& options,
                const std::function<void(std::int64_t run, const Trajectory&)>& onRun) {
    std::atomic<std::int64_t> nextRun{0};
    // Runs are handed out one at a time: a run takes far longer than the
    // atomic operation, and the threads finish close together, which matters
    // for sweeps of many small ensembles.
    auto work = [&] {
        for (;;) {
            const std::int64_t run = nextRun.fetch_add(1, std::memory_order_relaxed);
            if (run >= options.runs) return;
            onRun(run, runSeeded(parameters, options.baseSeed + static_cast<std::uint64_t>(run), {}));
        }
    };
    const auto threadCount = static_cast<std::int64_t>(std::max(1, options.threads));
    std::vector<std::jthread> workers;
    for (std::int64_t t = 1; t < std::min(threadCount, options.runs); ++t) workers.emplace_back(work);
    work();
}

std::vector<RunSummary> runEnsemble(const Parameters& parameters, const EnsembleOptions& options) {
    std::vector<RunSummary> summaries(static_cast<std::size_t>(std::max<std::int64_t>(options.runs, 0)));
    forEachRun(parameters, options, [&](std::int64_t run, const Trajectory& trajectory) {
        summaries[static_cast<std::size_t>(run)] =
            summarize(options.baseSeed + static_cast<std::uint64_t>(run), trajectory);
    });
    return summaries;
}

}  // namespace pandemie
