#include "model/ensemble.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace pandemie {

RunSummary summarize(std::uint64_t seed, const Trajectory& trajectory) {
    RunSummary summary{seed, -1, 0, trajectory.back()};
    for (int day = 1; day <= std::ssize(trajectory); ++day) {
        const int infectedToday = trajectory[static_cast<std::size_t>(day - 1)].countInfected;
        if (infectedToday > summary.peakInfected) {
            summary.peakInfected = infectedToday;
            summary.peakDay = day;
        }
    }
    return summary;
}

namespace {

thread_local const std::atomic<bool>* stopFlag = nullptr;

}  // namespace

StopScope::StopScope(const std::atomic<bool>& flag) noexcept : previous_(stopFlag) {
    stopFlag = &flag;
}

StopScope::~StopScope() {
    stopFlag = previous_;
}

int hardwareThreads() {
    const unsigned count = std::thread::hardware_concurrency();  // 0 when unknown
    return std::max(1, static_cast<int>(std::min(count, static_cast<unsigned>(mostThreads))));
}

void forEachIndex(std::int64_t count, int threads, const std::function<void(std::int64_t)>& work) {
    static const std::atomic<bool> never{false};
    const std::atomic<bool>& stop = stopFlag != nullptr ? *stopFlag : never;
    std::atomic<std::int64_t> next{0};
    // Indices are handed out one at a time: a run takes far longer than the
    // atomic operation, and the threads finish close together, which matters
    // for sweeps of many small ensembles.
    auto worker = [&] {
        for (std::int64_t i = next.fetch_add(1, std::memory_order_relaxed);
             i < count && !stop.load(std::memory_order_relaxed);
             i = next.fetch_add(1, std::memory_order_relaxed))
            work(i);
    };
#ifdef __EMSCRIPTEN__
    // The page's module has the one thread of its worker.
    static_cast<void>(threads);
    worker();
#else
    const auto threadCount = static_cast<std::int64_t>(std::max(1, threads));
    {
        std::vector<std::jthread> workers;
        for (std::int64_t t = 1; t < std::min(threadCount, count); ++t) workers.emplace_back(worker);
        worker();
    }
#endif
    if (stop.load()) throw Stopped{};
}

}  // namespace pandemie
