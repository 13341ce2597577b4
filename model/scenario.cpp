#include "model/scenario.h"

#include <algorithm>
#include <mutex>

namespace pandemie {

Schedule sortedByDay(Schedule changes) {
    std::ranges::stable_sort(changes, {}, &Change::day);
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

Trajectory seededRun(const Parameters& parameters, const Schedule& changes, std::uint64_t seed) {
    return runSeeded(parameters, seed, changesByDay(parameters, changes));
}

void PairedDifferences::add(const RunSummary& scenario, const RunSummary& first) {
    for (const OutcomeInfo& info : outcomeTable)
        differences_.add(info.outcome,
                         outcomeValue(scenario, info.outcome) - outcomeValue(first, info.outcome));
}

ScenarioResults::ScenarioResults(std::size_t scenarios, Detail detail) : summaries(scenarios) {
    if (detail == Detail::bandsAndDifferences) {
        bands.resize(scenarios);
        differences.resize(scenarios > 0 ? scenarios - 1 : 0);
    }
}

void ScenarioResults::merge(const ScenarioResults& other) {
    for (std::size_t s = 0; s < summaries.size(); ++s) summaries[s].merge(other.summaries.at(s));
    for (std::size_t s = 0; s < bands.size(); ++s) bands[s].merge(other.bands.at(s));
    for (std::size_t s = 0; s < differences.size(); ++s) differences[s].merge(other.differences.at(s));
}

namespace {

// The runs of one job: every scenario is run on a seed before the next seed
// is taken, so the runs compared are computed together.
class ScenarioJob {
public:
    ScenarioJob(const std::vector<Scenario>& scenarios, const EnsembleOptions& options,
                ScenarioResults& results, const std::vector<RunStart>* starts = nullptr)
        : scenarios_(scenarios), options_(options), results_(results), starts_(starts) {
        // Converted once, not for every run.
        for (const Scenario& scenario : scenarios)
            changes_.push_back(changesByDay(scenario.parameters, scenario.changes));
    }

    void runSeed(std::int64_t run, std::vector<RunSummary>* perRunOfFirst, std::atomic<std::int64_t>* done) {
        const std::uint64_t seed = starts_ != nullptr ? (*starts_)[static_cast<std::size_t>(run)].seed
                                                      : options_.baseSeed + static_cast<std::uint64_t>(run);
        const bool keepsBands = !results_.bands.empty();
        std::vector<RunSummary> ofSeed(scenarios_.size());  // this seed's run of every scenario
        for (std::size_t s = 0; s < scenarios_.size(); ++s) {
            const Trajectory trajectory =
                starts_ != nullptr ? seededRun((*starts_)[static_cast<std::size_t>(run)].parameters,
                                               scenarios_[s].changes, seed)
                                   : runSeeded(scenarios_[s].parameters, seed, changes_[s]);
            ofSeed[s] = summarize(seed, trajectory);
            if (keepsBands) {
                const std::scoped_lock guard(lock_);
                results_.bands[s].add(trajectory);
            }
            if (done != nullptr) done->fetch_add(1, std::memory_order_relaxed);
        }
        if (perRunOfFirst != nullptr && !ofSeed.empty())
            (*perRunOfFirst)[static_cast<std::size_t>(run)] = ofSeed[0];
        const std::scoped_lock guard(lock_);
        for (std::size_t s = 0; s < scenarios_.size(); ++s) results_.summaries[s].add(ofSeed[s]);
        for (std::size_t s = 0; s < results_.differences.size(); ++s)
            results_.differences[s].add(ofSeed[s + 1], ofSeed[0]);
    }

private:
    const std::vector<Scenario>& scenarios_;
    const EnsembleOptions& options_;
    ScenarioResults& results_;
    const std::vector<RunStart>* starts_;                // of every run, or seeds from the options
    std::vector<std::vector<ParameterChange>> changes_;  // per scenario
    std::mutex lock_;
};

}  // namespace

ScenarioResults runScenarios(const std::vector<Scenario>& scenarios, const EnsembleOptions& options,
                             Detail detail, std::vector<RunSummary>* perRunOfFirst,
                             std::atomic<std::int64_t>* done) {
    ScenarioResults results(scenarios.size(), detail);
    const std::int64_t runs = std::max<std::int64_t>(options.runs, 0);
    if (perRunOfFirst != nullptr) perRunOfFirst->assign(static_cast<std::size_t>(runs), {});
    ScenarioJob job(scenarios, options, results);
    forEachIndex(runs, options.threads, [&](std::int64_t run) { job.runSeed(run, perRunOfFirst, done); });
    return results;
}

ScenarioResults continueScenarios(const std::vector<Scenario>& scenarios, const std::vector<RunStart>& starts,
                                  int threads, std::vector<RunSummary>* perRunOfFirst,
                                  std::atomic<std::int64_t>* done) {
    ScenarioResults results(scenarios.size(), Detail::bandsAndDifferences);
    const EnsembleOptions options{0, std::ssize(starts), threads};
    if (perRunOfFirst != nullptr) perRunOfFirst->assign(starts.size(), {});
    ScenarioJob job(scenarios, options, results, &starts);
    forEachIndex(options.runs, threads, [&](std::int64_t run) { job.runSeed(run, perRunOfFirst, done); });
    return results;
}

}  // namespace pandemie
