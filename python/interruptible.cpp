#include "python/interruptible.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "model/ensemble.h"

namespace py = pybind11;

namespace pandemie::python {

namespace {

constexpr auto wakeInterval = std::chrono::milliseconds(100);

// The worker's end, which the calling thread waits for.
class Finish {
public:
    void signal() {
        {
            const std::lock_guard lock(mutex_);
            finished_ = true;
        }
        changed_.notify_all();
    }
    // Whether the work finished within the interval.
    [[nodiscard]] bool waitFor(std::chrono::milliseconds interval) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, interval, [this] { return finished_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool finished_ = false;
};

void joinWithoutLock(std::thread& worker) {
    const py::gil_scoped_release release;
    worker.join();
}

}  // namespace

void runInterruptibly(std::int64_t total, const py::object& progress, const Work& work) {
    std::atomic<std::int64_t> done{0};
    std::atomic<bool> stop{false};
    Finish finish;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            const StopScope scope(stop);
            work(&done);
        } catch (...) {
            failure = std::current_exception();
        }
        finish.signal();
    });
    const auto report = [&](std::int64_t count) {
        if (!progress.is_none()) progress(std::min(count, total), total);
    };
    try {
        for (bool finished = false; !finished;) {
            {
                const py::gil_scoped_release release;
                finished = finish.waitFor(wakeInterval);
            }
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
            if (!finished) report(done.load(std::memory_order_relaxed));
        }
    } catch (...) {
        stop.store(true);
        joinWithoutLock(worker);
        throw;
    }
    joinWithoutLock(worker);
    if (failure) std::rethrow_exception(failure);
    // The work is done, though a fit's count may fall short of its estimate.
    report(total);
}

}  // namespace pandemie::python
