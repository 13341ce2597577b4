#pragma once
// Statistics of an ensemble kept in bounded memory: for every day and series
// a histogram of the counts in band units, and a histogram of each outcome figure.
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

// Band units of a run: a count of all N persons.
inline constexpr int bandUnitsPerRun = 1000;

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

// How often each whole value minValue..maxValue occurred. A histogram of
// fewer values than it has places keeps the values themselves, in the order
// added; from then on a count per value. Its figures do not depend on which
// form it is in, so a comparison of thousands of scenarios of a few runs each
// keeps a few bytes per histogram instead of a count for every value.
class CountHistogram {
public:
    explicit CountHistogram(int maxValue) : CountHistogram(0, maxValue) {}
    CountHistogram(int minValue, int maxValue) : minValue_(minValue), maxValue_(maxValue) {}

    void add(int value) {
        const auto index = static_cast<std::uint32_t>(value - minValue_);
        if (isDense()) {
            ++cells_[index];
        } else {
            cells_.push_back(index);
        }
        sum_ += index;
        ++total_;
        if (total_ == places()) cells_ = countsOf(cells_, places());
    }

    // Adds the other's counts; both must have the same range.
    void merge(const CountHistogram& other);
    // Passes a count for every value, then the sum and the number of values,
    // whatever the form.
    void transferCounters(CounterTransfer& transfer);

    [[nodiscard]] std::int64_t total() const noexcept { return total_; }
    // minValue for an empty histogram, as its percentiles.
    [[nodiscard]] double mean() const noexcept;
    // percent in 0..100.
    [[nodiscard]] int percentile(int percent) const;
    // How often each value occurred, by value - minValue.
    [[nodiscard]] std::vector<std::uint32_t> counts() const;

private:
    [[nodiscard]] std::int64_t places() const noexcept { return std::int64_t{maxValue_} - minValue_ + 1; }
    // Counts take no more room than the values from `places` values on.
    [[nodiscard]] bool isDense() const noexcept { return total_ >= places(); }
    [[nodiscard]] static std::vector<std::uint32_t> countsOf(const std::vector<std::uint32_t>& values,
                                                             std::int64_t places);
    // Takes `byValue` (total_ already theirs) in the form the total calls for.
    void setCounts(std::vector<std::uint32_t> byValue);

    std::vector<std::uint32_t> cells_;  // values - minValue as added, or counts by value - minValue
    std::uint64_t sum_ = 0;             // of the values - minValue
    std::int64_t total_ = 0;
    int minValue_;
    int maxValue_;
};

// A count of N persons in band units, per mille of N rounded half to even:
// the count itself for N = 1000, so a band unit is a tenth of a percent.
[[nodiscard]] constexpr int bandUnits(int count, int persons) noexcept {
    if (persons == bandUnitsPerRun) return count;
    const std::int64_t scaled = std::int64_t{count} * bandUnitsPerRun;
    const auto whole = static_cast<int>(scaled / persons);
    const std::int64_t twiceRest = 2 * (scaled % persons);
    if (twiceRest > persons || (twiceRest == persons && whole % 2 == 1)) return whole + 1;
    return whole;
}

// The 10th, 50th and 90th percentile of each day's counts, as three courses.
struct PercentileCourses {
    Trajectory p10;
    Trajectory p50;
    Trajectory p90;
};

// For every day and series of runs of one scope, a histogram of the counts
// in band units (0..1000 whatever N). Up to a few thousand runs each run's
// units are kept as they are, two bytes each: less room than the
// histograms, which take their place from then on.
class BandStatistics {
public:
    BandStatistics() = default;
    explicit BandStatistics(const RunScope& scope) : persons_(scope.persons), days_(scope.days) {}

    // A run of days 1..D of the scope.
    void add(const Trajectory& trajectory);
    // Adds the other's runs; both must have the same scope.
    void merge(const BandStatistics& other);
    // As 3 x D histograms, day by day, whatever the form.
    void transferCounters(CounterTransfer& transfer);

    [[nodiscard]] int days() const noexcept { return days_; }
    [[nodiscard]] std::int64_t runs() const noexcept;
    // The band units of the day's counts.
    [[nodiscard]] CountHistogram day(int day, Series series) const;
    // In band units, for days 1..D.
    [[nodiscard]] PercentileCourses courses() const;

private:
    // From this many runs on, histograms take less room than the counts.
    static constexpr std::int64_t rowsUntil = 2 * (std::int64_t{bandUnitsPerRun} + 1);
    [[nodiscard]] std::size_t histogramCount() const noexcept;
    void useHistograms();
    void useRows();
    void addRows(const std::vector<std::uint16_t>& rows);

    int persons_ = countedPersons;
    int days_ = runDays;
    std::vector<std::uint16_t> rows_;    // with few runs: index run * 3D + (day - 1) * 3 + series
    std::vector<CountHistogram> byDay_;  // with many: index (day - 1) * 3 + series
};

// One histogram per outcome of outcomeTable, at the outcome's place.
class OutcomeHistograms {
public:
    // An outcome's values run 0..max of the scope; differences of two runs -max..max.
    enum class Range : std::uint8_t { values, differences };
    explicit OutcomeHistograms(Range range, const RunScope& scope = {});

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
    OutcomeStatistics() = default;
    explicit OutcomeStatistics(const RunScope& scope)
        : histograms_(OutcomeHistograms::Range::values, scope), scope_(scope) {}

    void add(const RunSummary& summary);
    void merge(const OutcomeStatistics& other);
    void transferCounters(CounterTransfer& transfer);

    // Each run adds one value to every histogram.
    [[nodiscard]] std::int64_t runs() const noexcept { return histogram(Outcome::peakInfected).total(); }
    [[nodiscard]] const CountHistogram& histogram(Outcome outcome) const noexcept {
        return histograms_.of(outcome);
    }
    // What the runs are of.
    [[nodiscard]] const RunScope& scope() const noexcept { return scope_; }
    // Runs in which no counted person is infected on the last day.
    [[nodiscard]] std::int64_t runsWithoutInfected() const noexcept { return runsWithoutInfected_; }
    // Their share of the runs; 0 for no runs at all.
    [[nodiscard]] double shareWithoutInfected() const noexcept {
        return runs() == 0 ? 0.0 : static_cast<double>(runsWithoutInfected_) / static_cast<double>(runs());
    }

private:
    OutcomeHistograms histograms_{OutcomeHistograms::Range::values};
    RunScope scope_;
    std::int64_t runsWithoutInfected_ = 0;
};

}  // namespace pandemie
