#include "app/watch.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "model/ensemble.h"

namespace pandemie::app {

namespace {

constexpr auto tickInterval = std::chrono::milliseconds(100);

// The work's end, which the watcher waits for between ticks.
class Finish {
public:
    void signal() {
        {
            const std::lock_guard lock(mutex_);
            finished_ = true;
        }
        changed_.notify_all();
    }
    // Whether the work has returned, waiting at most the interval for it.
    [[nodiscard]] bool waitFor(std::chrono::milliseconds interval) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, interval, [this] { return finished_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool finished_ = false;
};

}  // namespace

void watchWork(const Work& work, const Tick& tick, WorkThread where) {
    std::atomic<std::int64_t> done{0};
    std::atomic<bool> stop{false};
    Finish finish;
    std::exception_ptr workFailure;
    const auto runWork = [&] {
        try {
            const StopScope scope(stop);
            work(&done);
        } catch (...) {
            workFailure = std::current_exception();
        }
        finish.signal();
    };
    const auto watch = [&] {
        for (bool over = false; !over;) {
            const bool returned = finish.waitFor(tickInterval);
            over = tick(done.load(std::memory_order_relaxed), returned);
            // A job of several processes waits for the others' last units.
            if (returned && !over) std::this_thread::sleep_for(tickInterval);
        }
    };
    std::exception_ptr tickFailure;
    const auto watchOrStop = [&] {
        try {
            watch();
        } catch (...) {
            tickFailure = std::current_exception();
            stop.store(true);
        }
    };
    if (where == WorkThread::own) {
        std::thread worker(runWork);
        watchOrStop();
        worker.join();
    } else {
        std::thread watcher(watchOrStop);
        runWork();
        watcher.join();
    }
    if (tickFailure) std::rethrow_exception(tickFailure);
    if (workFailure) std::rethrow_exception(workFailure);
}

}  // namespace pandemie::app
