#pragma once
// Statistics of an ensemble kept in bounded memory: for every day and series
// a histogram of the counts 0..1000, and histograms of the per-run figures.
// Histograms of whole counts do not depend on the order in which runs are
// added, so the results are the same for any number of threads.
//
// Percentiles are nearest-rank: the p-th percentile of K values is the
// smallest value v such that at least ceil(p * K / 100) of them are <= v.

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/ensemble.h"
#include "model/model.h"

namespace pandemie {

// Every counter of a statistics object as one flat array, in a fixed order:
// collected from the object, or written back into it. Statistics of several
// processes add up element by element as such arrays.
class CounterTransfer {
public:
    // Collects the counters passed to it.
    CounterTransfer() = default;
    // Sets the counters passed to it from `values`, in the same order.
    explicit CounterTransfer(std::vector<std::uint64_t> values)
        : values_(std::move(values)), writing_(true) {}

    template <class Counter>
    void pass(Counter& counter) {
        if (writing_) {
            counter = static_cast<Counter>(values_.at(next_++));
        } else {
            values_.push_back(static_cast<std::uint64_t>(counter));
        }
    }
    [[nodiscard]] std::vector<std::uint64_t>& values() noexcept { return values_; }

private:
    std::vector<std::uint64_t> values_;
    std::size_t next_ = 0;
    bool writing_ = false;
};

// How often each whole value 0..maxValue occurred.
class CountHistogram {
public:
    explicit CountHistogram(int maxValue) : counts_(static_cast<std::size_t>(maxValue) + 1, 0) {}

    void add(int value) {
        ++counts_[static_cast<std::size_t>(value)];
        sum_ += static_cast<std::uint64_t>(value);
        ++total_;
    }

    // Adds the other's counts; both must have the same range.
    void merge(const CountHistogram& other);
    void transferCounters(CounterTransfer& transfer);

    [[nodiscard]] std::int64_t total() const noexcept { return total_; }
    [[nodiscard]] double mean() const noexcept;
    // percent in 0..100; 0 for an empty histogram.
    [[nodiscard]] int percentile(int percent) const noexcept;

private:
    std::vector<std::uint32_t> counts_;
    std::uint64_t sum_ = 0;
    std::int64_t total_ = 0;
};

// The 10th, 50th and 90th percentile of each day's counts, as three courses.
struct PercentileCourses {
    Trajectory p10{};
    Trajectory p50{};
    Trajectory p90{};
};

class EnsembleStatistics {
public:
    EnsembleStatistics();

    // The run's summary is that of the trajectory.
    void add(const Trajectory& trajectory, const RunSummary& summary);
    void merge(const EnsembleStatistics& other);
    void transferCounters(CounterTransfer& transfer);

    [[nodiscard]] std::int64_t runs() const noexcept { return peakInfected_.total(); }
    [[nodiscard]] const CountHistogram& day(int day, Series series) const;
    [[nodiscard]] PercentileCourses courses() const;

    [[nodiscard]] const CountHistogram& peakInfected() const noexcept { return peakInfected_; }
    [[nodiscard]] const CountHistogram& peakDay() const noexcept { return peakDay_; }
    [[nodiscard]] const CountHistogram& finalRecovered() const noexcept { return finalRecovered_; }
    // Runs in which no counted person is infected on day 180.
    [[nodiscard]] std::int64_t runsWithoutInfected() const noexcept { return runsWithoutInfected_; }

private:
    std::vector<CountHistogram> days_;  // index (day - 1) * 3 + series
    CountHistogram peakInfected_{countedPersons};
    CountHistogram peakDay_{runDays};
    CountHistogram finalRecovered_{countedPersons};
    std::int64_t runsWithoutInfected_ = 0;
};

// Runs the ensemble once, adding every run to the statistics.
[[nodiscard]] EnsembleStatistics collectStatistics(const Parameters& parameters,
                                                   const EnsembleOptions& options);

}  // namespace pandemie
