#pragma once
// Statistics of an ensemble kept in bounded memory: for every day and series
// a histogram of the counts 0..1000, and a histogram of each outcome figure.
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
#include "model/parameters.h"

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

// How often each whole value minValue..maxValue occurred.
class CountHistogram {
public:
    explicit CountHistogram(int maxValue) : CountHistogram(0, maxValue) {}
    CountHistogram(int minValue, int maxValue)
        : minValue_(minValue), counts_(static_cast<std::size_t>(maxValue - minValue) + 1, 0) {}

    void add(int value) {
        const auto index = static_cast<std::size_t>(value - minValue_);
        ++counts_[index];
        sum_ += index;
        ++total_;
    }

    // Adds the other's counts; both must have the same range.
    void merge(const CountHistogram& other);
    void transferCounters(CounterTransfer& transfer);

    [[nodiscard]] std::int64_t total() const noexcept { return total_; }
    // minValue for an empty histogram, as its percentiles.
    [[nodiscard]] double mean() const noexcept;
    // percent in 0..100.
    [[nodiscard]] int percentile(int percent) const noexcept;

private:
    int minValue_;
    std::vector<std::uint32_t> counts_;  // index value - minValue
    std::uint64_t sum_ = 0;              // of the indices
    std::int64_t total_ = 0;
};

// The 10th, 50th and 90th percentile of each day's counts, as three courses.
struct PercentileCourses {
    Trajectory p10{};
    Trajectory p50{};
    Trajectory p90{};
};

// For every day and series, a histogram of the counts.
class BandStatistics {
public:
    BandStatistics();

    void add(const Trajectory& trajectory);
    void merge(const BandStatistics& other);
    void transferCounters(CounterTransfer& transfer);

    [[nodiscard]] std::int64_t runs() const noexcept { return days_.front().total(); }
    [[nodiscard]] const CountHistogram& day(int day, Series series) const;
    [[nodiscard]] PercentileCourses courses() const;

private:
    std::vector<CountHistogram> days_;  // index (day - 1) * 3 + series
};

// One histogram per outcome of outcomeTable, at the outcome's place.
class OutcomeHistograms {
public:
    // An outcome's values run 0..max; differences of two runs -max..max.
    enum class Range : std::uint8_t { values, differences };
    explicit OutcomeHistograms(Range range);

    void add(Outcome outcome, int value) { histograms_[static_cast<std::size_t>(outcome)].add(value); }
    void merge(const OutcomeHistograms& other);
    void transferCounters(CounterTransfer& transfer);
    [[nodiscard]] const CountHistogram& of(Outcome outcome) const noexcept {
        return histograms_[static_cast<std::size_t>(outcome)];
    }

private:
    std::vector<CountHistogram> histograms_;
};

// The figures of every run: a histogram per outcome, and how many runs end
// without an infected counted person.
class OutcomeStatistics {
public:
    void add(const RunSummary& summary);
    void merge(const OutcomeStatistics& other);
    void transferCounters(CounterTransfer& transfer);

    // Each run adds one value to every histogram.
    [[nodiscard]] std::int64_t runs() const noexcept { return histogram(Outcome::peakInfected).total(); }
    [[nodiscard]] const CountHistogram& histogram(Outcome outcome) const noexcept {
        return histograms_.of(outcome);
    }
    // Runs in which no counted person is infected on day 180.
    [[nodiscard]] std::int64_t runsWithoutInfected() const noexcept { return runsWithoutInfected_; }
    // Their share of the runs; 0 for no runs at all.
    [[nodiscard]] double shareWithoutInfected() const noexcept {
        return runs() == 0 ? 0.0 : static_cast<double>(runsWithoutInfected_) / static_cast<double>(runs());
    }

private:
    OutcomeHistograms histograms_{OutcomeHistograms::Range::values};
    std::int64_t runsWithoutInfected_ = 0;
};

}  // namespace pandemie
