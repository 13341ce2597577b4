#include "model/forecast.h"

#include <algorithm>
#include <numeric>

#include "model/fit_seeds.h"
#include "model/posterior.h"

namespace pandemie {

namespace {

// The matching runs as starts of runs of their own.
std::vector<RunStart> startsOf(const std::vector<ForecastRun>& matching) {
    std::vector<RunStart> starts;
    starts.reserve(matching.size());
    for (const ForecastRun& run : matching) starts.push_back({run.seed, parametersOf(run.values)});
    return starts;
}

}  // namespace

void forecastFromPosterior(FitResult& result, const FitSettings& settings,
                           const ObservationDistance& distance, const Spread& spread,
                           std::atomic<std::int64_t>* done) {
    const WeightedDraw draw(result.posterior);
    const std::int64_t candidates = settings.forecastRuns * settings.candidatesPerForecastRun;
    const auto candidate = [&](std::int64_t c) {
        Random random(seedOf(settings.seed, Stream::forecastDraw, 0, static_cast<std::uint64_t>(c)));
        return ForecastRun{draw.draw(random).values,
                           seedOf(settings.seed, Stream::forecastRun, 0, static_cast<std::uint64_t>(c)),
                           0,
                           {}};
    };
    std::vector<double> sums;
    spread(
        candidates,
        [&](std::int64_t c) {
            const ForecastRun run = candidate(c);
            const Parameters parameters = parametersOf(run.values);
            SeededEpidemic exact(parameters, run.seed, settings.scope);
            const double sum =
                sumOfSquaresOf(exact, distance, changesByDay(parameters, settings.changes), unreached);
            if (done != nullptr) done->fetch_add(1, std::memory_order_relaxed);
            return sum;
        },
        sums);
    std::vector<std::int64_t> order(static_cast<std::size_t>(candidates));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::int64_t a, std::int64_t b) {
        return sums[static_cast<std::size_t>(a)] < sums[static_cast<std::size_t>(b)];
    });
    order.resize(static_cast<std::size_t>(std::min(candidates, settings.forecastRuns)));
    for (const std::int64_t c : order) {
        ForecastRun run = candidate(c);
        run.distance = distance.distance(sums[static_cast<std::size_t>(c)]);
        result.matching.push_back(run);
    }
    result.forecastCandidates = candidates;
    std::vector<RunSummary> summaries;
    ScenarioResults continued =
        continueScenarios({Scenario{{}, {}, settings.changes}}, startsOf(result.matching), settings.threads,
                          &summaries, done, settings.scope);
    for (std::size_t m = 0; m < summaries.size(); ++m) result.matching[m].summary = summaries[m];
    result.bands = std::move(continued.bands.front());
    result.outcomes = std::move(continued.summaries.front());
}

ScenarioResults forecastScenarios(const FitResult& result, const std::vector<Scenario>& scenarios,
                                  const Schedule& known, int threads, std::atomic<std::int64_t>* done) {
    std::vector<Scenario> afterKnown;
    for (const Scenario& scenario : scenarios) {
        Schedule all = known;
        all.insert(all.end(), scenario.changes.begin(), scenario.changes.end());
        afterKnown.push_back({scenario.name, scenario.parameters, sortedByDay(std::move(all))});
    }
    return continueScenarios(afterKnown, startsOf(result.matching), threads, nullptr, done, result.scope);
}

}  // namespace pandemie
