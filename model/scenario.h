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

// One run of the scope's days from the seed, with the scenario's changes.
[[nodiscard]] Trajectory seededRun(const Parameters& parameters, const Schedule& changes, std::uint64_t seed,
                                   const RunScope& scope = {});

// Run `press` (1, 2, ...) of one generator seeded with `seed`, each run
// continuing the sequence where the one before left it, as the window's
// "Berechnen" draws them while the sliders stay; the changes apply in every run.
[[nodiscard]] Trajectory pressedRun(const Parameters& parameters, const Schedule& changes, std::uint64_t seed,
                                    int press, const RunScope& scope = {});

// Run-by-run differences of a scenario against the first one, on the same seeds.
class PairedDifferences {
public:
    PairedDifferences() = default;
    explicit PairedDifferences(const RunScope& scope)
        : differences_(OutcomeHistograms::Range::differences, scope) {}
    void add(const RunSummary& scenario, const RunSummary& first);
    void merge(const PairedDifferences& other) { differences_.merge(other.differences_); }
    void transferCounters(CounterTransfer& transfer) { differences_.transferCounters(transfer); }
    [[nodiscard]] const CountHistogram& histogram(Outcome outcome) const noexcept {
        return differences_.of(outcome);
    }

private:
    OutcomeHistograms differences_{OutcomeHistograms::Range::differences};
};

// What each scenario keeps besides the figures of its runs: nothing (sweeps,
// with many points), the paired differences against the first scenario, or
// those and its per-day bands (a histogram for each day and series, by far
// the most room, so best kept only where they are written).
enum class Detail : std::uint8_t { summaries, summariesAndDifferences, bandsAndDifferences };

struct ScenarioResults {
    std::vector<OutcomeStatistics> summaries;    // one per scenario
    std::vector<BandStatistics> bands;           // one per scenario, with bands only
    std::vector<PairedDifferences> differences;  // one per scenario after the first, with differences only

    // Of runs of the scope.
    ScenarioResults(std::size_t scenarios, Detail detail, const RunScope& scope = {});
    void merge(const ScenarioResults& other);
};

// Runs every scenario with the seeds base..base+runs-1 in the options' scope, spread over the
// threads; a work item is one seed for all scenarios or, with fewer seeds
// than threads to keep busy, for a block of them, so the runs that are
// compared are computed together and nothing per run is kept. With
// perRunOfFirst given, it is filled with the first scenario's run summaries.
// `done` counts finished runs (scenarios x runs in all).
[[nodiscard]] ScenarioResults runScenarios(const std::vector<Scenario>& scenarios,
                                           const EnsembleOptions& options, Detail detail,
                                           std::vector<RunSummary>* perRunOfFirst = nullptr,
                                           std::atomic<std::int64_t>* done = nullptr);

// Where a run of its own starts: its seed and parameters, the days it runs
// before the scope's day 1 (changes and results count from that day), and
// whether the counting engine runs it.
struct RunStart {
    std::uint64_t seed = 0;
    Parameters parameters;
    int leadDays = 0;
    bool counting = false;
};

// As runScenarios, but run i of every scenario starts from starts[i], each
// scenario adding only its changes: the scenarios continue runs whose
// parameters and seeds come from elsewhere (the runs that match observations).
[[nodiscard]] ScenarioResults continueScenarios(const std::vector<Scenario>& scenarios,
                                                const std::vector<RunStart>& starts, int threads,
                                                std::vector<RunSummary>* perRunOfFirst = nullptr,
                                                std::atomic<std::int64_t>* done = nullptr,
                                                const RunScope& scope = {});

}  // namespace pandemie
