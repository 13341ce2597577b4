#include "model/scenario.h"

#include <algorithm>
#include <mutex>

#include "model/count_epidemic.h"

namespace pandemie {

Schedule sortedByDay(Schedule changes) {
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Change& a, const Change& b) { return a.day < b.day; });
    return changes;
}

std::vector<Scenario> sweepGrid(const Scenario& base, const std::vector<SweepAxis>& axes) {
    std::vector<Scenario> grid{base};
    for (const SweepAxis& axis : axes) {
        std::vector<Scenario> finer;
        finer.reserve(grid.size() * axis.values.size());
        for (const Scenario& point : grid) {
            for (const int value : axis.values) {
                Scenario next = point;
                setParameterValue(next.parameters, axis.parameter, value);
                if (!next.name.empty()) next.name += ' ';
                next.name.append(infoOf(axis.parameter).name).append("=").append(std::to_string(value));
                finer.push_back(std::move(next));
            }
        }
        grid = std::move(finer);
    }
    return grid;
}

std::vector<ParameterChange> changesByDay(const Parameters& parameters, const Schedule& changes) {
    std::vector<ParameterChange> byDay;
    Parameters current = parameters;
    for (const Change& change : changes) {
        setParameterValue(current, change.parameter, change.value);
        if (!byDay.empty() && byDay.back().day == change.day) {
            byDay.back().parameters = current;
        } else {
            byDay.push_back({change.day, current});
        }
    }
    return byDay;
}

Trajectory seededRun(const Parameters& parameters, const Schedule& changes, std::uint64_t seed,
                     const RunScope& scope) {
    return runSeeded(parameters, seed, changesByDay(parameters, changes), scope);
}

void PairedDifferences::add(const RunSummary& scenario, const RunSummary& first) {
    for (const OutcomeInfo& info : outcomeTable)
        differences_.add(info.outcome,
                         outcomeValue(scenario, info.outcome) - outcomeValue(first, info.outcome));
}

ScenarioResults::ScenarioResults(std::size_t scenarios, Detail detail, const RunScope& scope)
    : summaries(scenarios, OutcomeStatistics(scope)) {
    if (detail == Detail::bandsAndDifferences) bands.assign(scenarios, BandStatistics(scope));
    if (detail != Detail::summaries)
        differences.assign(scenarios > 0 ? scenarios - 1 : 0, PairedDifferences(scope));
}

void ScenarioResults::merge(const ScenarioResults& other) {
    for (std::size_t s = 0; s < summaries.size(); ++s) summaries[s].merge(other.summaries.at(s));
    for (std::size_t s = 0; s < bands.size(); ++s) bands[s].merge(other.bands.at(s));
    for (std::size_t s = 0; s < differences.size(); ++s) differences[s].merge(other.differences.at(s));
}

namespace {

// The scenarios of a work item: first..first+count-1.
struct ScenarioBlock {
    std::size_t first = 0;
    std::size_t count = 0;
};

// The runs of one job: the scenarios of a block are run on a seed together,
// so the runs compared are computed together. Blocks make work items enough
// for every thread when there are few seeds: a comparison of thousands of
// scenarios of one run each is as parallel as one of many runs.
class ScenarioJob {
public:
    ScenarioJob(const std::vector<Scenario>& scenarios, const EnsembleOptions& options,
                ScenarioResults& results, const std::vector<RunStart>* starts = nullptr)
        : scenarios_(scenarios), options_(options), results_(results), starts_(starts) {
        // Converted once, not for every run.
        for (const Scenario& scenario : scenarios)
            changes_.push_back(changesByDay(scenario.parameters, scenario.changes));
        // Four items a thread even out runs of different lengths.
        const std::int64_t busy = 4 * std::int64_t{std::max(options.threads, 1)};
        const std::int64_t runs = std::max<std::int64_t>(options.runs, 1);
        const auto wanted = static_cast<std::size_t>((busy + runs - 1) / runs);
        blocks_ = std::clamp<std::size_t>(wanted, 1, std::max<std::size_t>(scenarios.size(), 1));
    }

    [[nodiscard]] std::int64_t items(std::int64_t runs) const noexcept {
        return runs * static_cast<std::int64_t>(blocks_);
    }

    void runItem(std::int64_t item, std::vector<RunSummary>* perRunOfFirst, std::atomic<std::int64_t>* done) {
        const std::int64_t run = item / static_cast<std::int64_t>(blocks_);
        const ScenarioBlock block =
            blockOf(static_cast<std::size_t>(item % static_cast<std::int64_t>(blocks_)));
        const std::uint64_t seed = seedOf(run);
        const bool keepsBands = !results_.bands.empty();
        std::vector<RunSummary> ofSeed(block.count);  // this seed's run of every scenario of the block
        for (std::size_t i = 0; i < block.count; ++i) {
            const std::size_t s = block.first + i;
            const Trajectory trajectory = trajectoryOf(s, run, seed);
            ofSeed[i] = summarize(seed, trajectory);
            if (keepsBands) {
                const std::scoped_lock guard(lock_);
                results_.bands[s].add(trajectory);
            }
            if (done != nullptr) done->fetch_add(1, std::memory_order_relaxed);
        }
        if (block.count == 0) return;
        // The differences are taken against the first scenario's run on the seed.
        const bool hasFirst = block.first == 0;
        const RunSummary first = hasFirst || results_.differences.empty()
                                     ? ofSeed[0]
                                     : summarize(seed, trajectoryOf(0, run, seed));
        if (perRunOfFirst != nullptr && hasFirst) (*perRunOfFirst)[static_cast<std::size_t>(run)] = first;
        const std::scoped_lock guard(lock_);
        for (std::size_t i = 0; i < block.count; ++i) {
            const std::size_t s = block.first + i;
            results_.summaries[s].add(ofSeed[i]);
            if (s > 0 && !results_.differences.empty()) results_.differences[s - 1].add(ofSeed[i], first);
        }
    }

private:
    [[nodiscard]] std::uint64_t seedOf(std::int64_t run) const {
        return starts_ != nullptr ? (*starts_)[static_cast<std::size_t>(run)].seed
                                  : options_.baseSeed + static_cast<std::uint64_t>(run);
    }
    // A continued run starts from its own parameters with the scenario's changes.
    [[nodiscard]] Trajectory trajectoryOf(std::size_t s, std::int64_t run, std::uint64_t seed) const {
        if (starts_ == nullptr) return runSeeded(scenarios_[s].parameters, seed, changes_[s], options_.scope);
        const RunStart& start = (*starts_)[static_cast<std::size_t>(run)];
        RunScope scope = options_.scope;
        scope.days += start.leadDays;
        Schedule changes = scenarios_[s].changes;
        for (Change& change : changes) change.day += start.leadDays;
        const auto byDay = changesByDay(start.parameters, changes);
        Trajectory days = start.counting ? countingRun(start.parameters, seed, byDay, scope)
                                         : runSeeded(start.parameters, seed, byDay, scope);
        days.erase(days.begin(), days.begin() + std::min<std::ptrdiff_t>(start.leadDays, std::ssize(days)));
        return days;
    }

    [[nodiscard]] ScenarioBlock blockOf(std::size_t block) const noexcept {
        const std::size_t first = block * scenarios_.size() / blocks_;
        return {first, (block + 1) * scenarios_.size() / blocks_ - first};
    }

    const std::vector<Scenario>& scenarios_;
    const EnsembleOptions& options_;
    ScenarioResults& results_;
    const std::vector<RunStart>* starts_;                // of every run, or seeds from the options
    std::vector<std::vector<ParameterChange>> changes_;  // per scenario
    std::size_t blocks_ = 1;                             // of the scenarios on every seed
    std::mutex lock_;
};

}  // namespace

ScenarioResults runScenarios(const std::vector<Scenario>& scenarios, const EnsembleOptions& options,
                             Detail detail, std::vector<RunSummary>* perRunOfFirst,
                             std::atomic<std::int64_t>* done) {
    ScenarioResults results(scenarios.size(), detail, options.scope);
    const std::int64_t runs = std::max<std::int64_t>(options.runs, 0);
    if (perRunOfFirst != nullptr) perRunOfFirst->assign(static_cast<std::size_t>(runs), {});
    ScenarioJob job(scenarios, options, results);
    forEachIndex(job.items(runs), options.threads,
                 [&](std::int64_t item) { job.runItem(item, perRunOfFirst, done); });
    return results;
}

ScenarioResults continueScenarios(const std::vector<Scenario>& scenarios, const std::vector<RunStart>& starts,
                                  int threads, std::vector<RunSummary>* perRunOfFirst,
                                  std::atomic<std::int64_t>* done, const RunScope& scope) {
    ScenarioResults results(scenarios.size(), Detail::bandsAndDifferences, scope);
    const EnsembleOptions options{0, std::ssize(starts), threads, scope};
    if (perRunOfFirst != nullptr) perRunOfFirst->assign(starts.size(), {});
    ScenarioJob job(scenarios, options, results, &starts);
    forEachIndex(job.items(options.runs), threads,
                 [&](std::int64_t item) { job.runItem(item, perRunOfFirst, done); });
    return results;
}

}  // namespace pandemie
