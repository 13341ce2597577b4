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
                next.name.append(parameterName(axis.parameter)).append("=").append(std::to_string(value));
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

void OutcomeHistograms::merge(const OutcomeHistograms& other) {
    peakInfected.merge(other.peakInfected);
    peakDay.merge(other.peakDay);
    finalRecovered.merge(other.finalRecovered);
}

void OutcomeHistograms::transferCounters(CounterTransfer& transfer) {
    peakInfected.transferCounters(transfer);
    peakDay.transferCounters(transfer);
    finalRecovered.transferCounters(transfer);
}

int outcomeValue(const RunSummary& summary, Outcome outcome) noexcept {
    switch (outcome) {
        case Outcome::peakInfected:
            return summary.peakInfected;
        case Outcome::peakDay:
            return summary.peakDay;
        case Outcome::finalRecovered:
            return summary.final.countRecovered;
    }
    return 0;
}

const ValueHistogram& outcomeHistogram(const OutcomeHistograms& histograms, Outcome outcome) noexcept {
    switch (outcome) {
        case Outcome::peakInfected:
            return histograms.peakInfected;
        case Outcome::peakDay:
            return histograms.peakDay;
        case Outcome::finalRecovered:
            break;
    }
    return histograms.finalRecovered;
}

void SummaryStatistics::add(const RunSummary& summary) {
    outcomes_.peakInfected.add(summary.peakInfected);
    outcomes_.peakDay.add(summary.peakDay);
    outcomes_.finalRecovered.add(summary.final.countRecovered);
    if (summary.final.countInfected == 0) ++runsWithoutInfected_;
}

void SummaryStatistics::merge(const SummaryStatistics& other) {
    outcomes_.merge(other.outcomes_);
    runsWithoutInfected_ += other.runsWithoutInfected_;
}

void SummaryStatistics::transferCounters(CounterTransfer& transfer) {
    outcomes_.transferCounters(transfer);
    transfer.pass(runsWithoutInfected_);
}

void PairedDifferences::add(const RunSummary& scenario, const RunSummary& first) {
    differences_.peakInfected.add(scenario.peakInfected - first.peakInfected);
    differences_.peakDay.add(scenario.peakDay - first.peakDay);
    differences_.finalRecovered.add(scenario.final.countRecovered - first.final.countRecovered);
}

ScenarioResults::ScenarioResults(std::size_t scenarios, Detail detail) : summaries(scenarios) {
    if (detail == Detail::bandsAndDifferences) {
        ensembles.resize(scenarios);
        differences.resize(scenarios > 0 ? scenarios - 1 : 0);
    }
}

void ScenarioResults::merge(const ScenarioResults& other) {
    for (std::size_t s = 0; s < summaries.size(); ++s) summaries[s].merge(other.summaries.at(s));
    for (std::size_t s = 0; s < ensembles.size(); ++s) ensembles[s].merge(other.ensembles.at(s));
    for (std::size_t s = 0; s < differences.size(); ++s) differences[s].merge(other.differences.at(s));
}

namespace {

// The runs of one job: every scenario is run on a seed before the next seed
// is taken, so the runs compared are computed together.
class ScenarioJob {
public:
    ScenarioJob(const std::vector<Scenario>& scenarios, const EnsembleOptions& options,
                ScenarioResults& results)
        : scenarios_(scenarios), options_(options), results_(results) {
        // Converted once, not for every run.
        for (const Scenario& scenario : scenarios)
            changes_.push_back(changesByDay(scenario.parameters, scenario.changes));
    }

    void runSeed(std::int64_t run, std::vector<RunSummary>* perRunOfFirst, std::atomic<std::int64_t>* done) {
        const std::uint64_t seed = options_.baseSeed + static_cast<std::uint64_t>(run);
        const bool bands = !results_.ensembles.empty();
        std::vector<RunSummary> ofSeed(scenarios_.size());  // this seed's run of every scenario
        for (std::size_t s = 0; s < scenarios_.size(); ++s) {
            const Trajectory trajectory = runSeeded(scenarios_[s].parameters, seed, changes_[s]);
            ofSeed[s] = summarize(seed, trajectory);
            if (bands) {
                const std::scoped_lock guard(lock_);
                results_.ensembles[s].add(trajectory, ofSeed[s]);
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

}  // namespace pandemie
