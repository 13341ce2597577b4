#pragma once
// Interventions and the comparison of scenarios. A scenario is a set of
// parameters with changes that take effect on given days. Scenarios are
// compared on common random numbers: run i of every scenario uses the seed
// base + i, so their differences come from the scenarios, not from chance.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/band_stats.h"
#include "model/ensemble.h"
#include "model/model.h"
#include "model/parameters.h"

namespace pandemie {

// From day `day` on (its encounters, recovery and tally included) the
// parameter has the value.
struct Change {
    int day = 1;
    Parameter parameter = Parameter::encounters;
    int value = 0;

    friend bool operator==(const Change&, const Change&) = default;
};

// Changes ordered by day; those of one day in the order given.
using Schedule = std::vector<Change>;

[[nodiscard]] Schedule sortedByDay(Schedule changes);

struct Scenario {
    std::string name;
    Parameters parameters;
    Schedule changes;
};

// The values one parameter takes in a sweep, ascending.
struct SweepAxis {
    Parameter parameter = Parameter::encounters;
    std::vector<int> values;
};

// A scenario for every point of the grid, the first axis outermost; each is
// the base with the swept parameters set from the start.
[[nodiscard]] std::vector<Scenario> sweepGrid(const Scenario& base, const std::vector<SweepAxis>& axes);

// The changes as the engine takes them: the whole parameter set of each
// change day, starting from `parameters`.
[[nodiscard]] std::vector<ParameterChange> changesByDay(const Parameters& parameters,
                                                        const Schedule& changes);

// One run of days 1..180 from the seed, with the scenario's changes.
[[nodiscard]] Trajectory seededRun(const Parameters& parameters, const Schedule& changes, std::uint64_t seed);

// A histogram of whole values minValue..maxValue, negative ones included.
class ValueHistogram {
public:
    ValueHistogram(int minValue, int maxValue) : offset_(-minValue), counts_(maxValue - minValue) {}

    void add(int value) { counts_.add(value + offset_); }
    void merge(const ValueHistogram& other) { counts_.merge(other.counts_); }
    void transferCounters(CounterTransfer& transfer) { counts_.transferCounters(transfer); }
    [[nodiscard]] std::int64_t total() const noexcept { return counts_.total(); }
    [[nodiscard]] double mean() const noexcept { return counts_.mean() - offset_; }
    [[nodiscard]] int percentile(int percent) const noexcept { return counts_.percentile(percent) - offset_; }

private:
    int offset_;
    CountHistogram counts_;
};

// The three figures of a run, as histograms.
struct OutcomeHistograms {
    ValueHistogram peakInfected;
    ValueHistogram peakDay;
    ValueHistogram finalRecovered;

    void merge(const OutcomeHistograms& other);
    void transferCounters(CounterTransfer& transfer);
};

[[nodiscard]] int outcomeValue(const RunSummary& summary, Outcome outcome) noexcept;
[[nodiscard]] const ValueHistogram& outcomeHistogram(const OutcomeHistograms& histograms,
                                                     Outcome outcome) noexcept;

// What a sweep keeps of every point: the figures of its runs.
class SummaryStatistics {
public:
    void add(const RunSummary& summary);
    void merge(const SummaryStatistics& other);
    void transferCounters(CounterTransfer& transfer);

    [[nodiscard]] std::int64_t runs() const noexcept { return outcomes_.peakInfected.total(); }
    [[nodiscard]] const OutcomeHistograms& outcomes() const noexcept { return outcomes_; }
    [[nodiscard]] std::int64_t runsWithoutInfected() const noexcept { return runsWithoutInfected_; }

private:
    OutcomeHistograms outcomes_{{0, countedPersons}, {0, runDays}, {0, countedPersons}};
    std::int64_t runsWithoutInfected_ = 0;
};

// Run-by-run differences of a scenario against the first one, on the same seeds.
class PairedDifferences {
public:
    void add(const RunSummary& scenario, const RunSummary& first);
    void merge(const PairedDifferences& other) { differences_.merge(other.differences_); }
    void transferCounters(CounterTransfer& transfer) { differences_.transferCounters(transfer); }
    [[nodiscard]] const OutcomeHistograms& differences() const noexcept { return differences_; }

private:
    OutcomeHistograms differences_{
        {-countedPersons, countedPersons}, {-runDays, runDays}, {-countedPersons, countedPersons}};
};

// Whether each scenario keeps its per-day bands (scenarios) or only the
// figures of its runs (sweeps, with many points).
enum class Detail : std::uint8_t { summaries, bandsAndDifferences };

struct ScenarioResults {
    std::vector<SummaryStatistics> summaries;    // one per scenario
    std::vector<EnsembleStatistics> ensembles;   // one per scenario, with bands only
    std::vector<PairedDifferences> differences;  // one per scenario after the first, with bands only

    ScenarioResults(std::size_t scenarios, Detail detail);
    void merge(const ScenarioResults& other);
};

// Runs every scenario with the seeds base..base+runs-1, spread over the
// threads; a work item is one seed for all scenarios, so the runs that are
// compared are computed together and nothing per run is kept. With
// perRunOfFirst given, it is filled with the first scenario's run summaries.
// `done` counts finished runs (scenarios x runs in all).
[[nodiscard]] ScenarioResults runScenarios(const std::vector<Scenario>& scenarios,
                                           const EnsembleOptions& options, Detail detail,
                                           std::vector<RunSummary>* perRunOfFirst = nullptr,
                                           std::atomic<std::int64_t>* done = nullptr);

}  // namespace pandemie
