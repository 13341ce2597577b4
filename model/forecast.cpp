#include "model/forecast.h"

#include <algorithm>
#include <numeric>

#include "model/count_epidemic.h"
#include "model/fit_seeds.h"
#include "model/posterior.h"

namespace pandemie {

namespace {

// The matching runs as starts of runs of their own.
std::vector<RunStart> startsOf(const std::vector<ForecastRun>& matching, const RunScope& scope) {
    std::vector<RunStart> starts;
    starts.reserve(matching.size());
    for (const ForecastRun& run : matching)
        starts.push_back(
            {run.seed, parametersOf(run.values), startOf(run.values) - 1, usesCountingEngine(scope)});
    return starts;
}

// The rows of the forecast: the data's rows, then rows at the data's
// spacing up to day D, each with every series the data count.
std::vector<ObservedRow> forecastLayout(const std::vector<ObservedRow>& observed, int lastDay) {
    RowValues counted{-1, -1, -1, -1};
    int spacing = observed.size() > 1 ? lastDay : 1;
    for (std::size_t r = 0; r < observed.size(); ++r) {
        for (std::size_t s = 0; s < counted.size(); ++s)
            if (observed[r].values[s] >= 0) counted[s] = 0;
        if (r > 0) spacing = std::min(spacing, observed[r].day - observed[r - 1].day);
    }
    std::vector<ObservedRow> rows = observed;
    for (ObservedRow& row : rows) row.values = counted;
    for (int day = rows.back().day + spacing; day <= lastDay; day += spacing)
        rows.push_back({day, spacing, counted, spacing == 1});
    return rows;
}

// The mean and percentiles of equally weighted values.
ParameterFigures figuresOf(const std::vector<double>& values) {
    std::vector<std::pair<double, double>> valueWeights;
    valueWeights.reserve(values.size());
    for (const double value : values) valueWeights.emplace_back(value, 1.0);
    return weightedFigures(std::move(valueWeights));
}
// A matching run continued to day D: its days from the data's day 1 on and its values on the rows.
struct ContinuedRun {
    Trajectory days;
    std::vector<RowValues> rows;
};

// f(engine) on a fresh run of the setup from `seed`: the exact engine's up to
// largestExactForecast persons, beyond the counting form's.
template <class F>
auto onForecastEngine(const RunSetup& setup, std::uint64_t seed, F&& f) {
    if (usesCountingEngine(setup.scope)) {
        CountEpidemic engine(setup.parameters, seed, setup.scope);
        return f(engine);
    }
    SeededEpidemic engine(setup.parameters, seed, setup.scope);
    return f(engine);
}

ContinuedRun continuedRun(const ForecastRun& run, const FitSettings& settings,
                          const std::vector<ObservedRow>& layout) {
    const RunSetup setup = runSetupOf(settings, run.values, run.seed);
    return onForecastEngine(setup, run.seed, [&](auto& engine) {
        ContinuedRun result;
        Trajectory all;
        RecordedRun recorded(engine, all);
        setup.observe(recorded, layout, settings.scope.days, [&](std::size_t, const RowValues& values) {
            result.rows.push_back(values);
            return true;
        });
        const auto lead = static_cast<std::ptrdiff_t>(startOf(run.values) - 1);
        result.days.assign(all.begin() + std::min(lead, std::ssize(all)), all.end());
        return result;
    });
}

// The sum of squares of a candidate over the observed rows.
double candidateSum(const ForecastRun& run, const FitSettings& settings,
                    const ObservationDistance& distance) {
    const RunSetup setup = runSetupOf(settings, run.values, run.seed);
    return onForecastEngine(setup, run.seed,
                            [&](auto& engine) { return setup.sumOfSquares(engine, distance, unreached); });
}

// An observed count, and whether it lies below or above every run's value
// at its row by more than outsideMargin on the distance's scale.
void countOutsideRuns(Misfit& misfit, double observed, const std::vector<double>& values) {
    ++misfit.observedPoints;
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    if (lowest == values.end()) return;
    const double at = rootScale(observed);
    if (at < rootScale(*lowest) - outsideMargin || at > rootScale(*highest) + outsideMargin)
        ++misfit.pointsOutsideRuns;
}

void addForecastRows(FitResult& result, const std::vector<ObservedRow>& layout,
                     const std::vector<ObservedRow>& observed, const std::vector<ContinuedRun>& runs) {
    std::vector<double> values(runs.size());
    for (std::size_t r = 0; r < layout.size(); ++r) {
        for (std::size_t s = 0; s < layout[r].values.size(); ++s) {
            if (layout[r].values[s] < 0) continue;
            for (std::size_t m = 0; m < runs.size(); ++m) values[m] = runs[m].rows[r][s];
            ForecastRow row{layout[r].day, layout[r].periodDays, static_cast<ObservedSeries>(s), std::nullopt,
                            figuresOf(values)};
            if (r < observed.size() && observed[r].values[s] >= 0) {
                row.observed = observed[r].values[s];
                countOutsideRuns(result.misfit, *row.observed, values);
            }
            result.forecastRows.push_back(row);
        }
    }
    // Every case a run counts, in the rows' periods from the first one's on.
    std::vector<double> totals;
    for (const ContinuedRun& run : runs) {
        double total = 0;
        for (const RowValues& row : run.rows)
            total += std::max(0.0, row[static_cast<std::size_t>(ObservedSeries::newCases)]);
        totals.push_back(total);
    }
    if (!totals.empty()) result.countedCases = figuresOf(totals);
}

}  // namespace

bool usesCountingEngine(const RunScope& scope) noexcept {
    return scope.persons > largestExactForecast;
}

void forecastFromPosterior(FitResult& result, const FitSettings& settings,
                           const ObservationDistance& distance, const Spread& spread,
                           std::atomic<std::int64_t>* done) {
    const WeightedDraw draw(result.posterior);
    const std::int64_t candidates = settings.forecastRuns * settings.candidatesPerMatchingRun();
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
            const double sum = candidateSum(candidate(c), settings, distance);
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

    const std::vector<ObservedRow> layout = forecastLayout(distance.rows(), settings.scope.days);
    std::vector<ContinuedRun> runs(result.matching.size());
    forEachIndex(std::ssize(runs), settings.threads, [&](std::int64_t m) {
        const auto i = static_cast<std::size_t>(m);
        runs[i] = continuedRun(result.matching[i], settings, layout);
        if (done != nullptr) done->fetch_add(1, std::memory_order_relaxed);
    });
    result.bands = BandStatistics(settings.scope);
    result.outcomes = OutcomeStatistics(settings.scope);
    for (std::size_t m = 0; m < runs.size(); ++m) {
        result.matching[m].summary = summarize(result.matching[m].seed, runs[m].days);
        result.bands.add(runs[m].days);
        result.outcomes.add(result.matching[m].summary);
    }
    addForecastRows(result, layout, distance.rows(), runs);
}

ScenarioResults forecastScenarios(const FitResult& result, const std::vector<Scenario>& scenarios,
                                  const Schedule& known, int threads, std::atomic<std::int64_t>* done) {
    std::vector<Scenario> afterKnown;
    for (const Scenario& scenario : scenarios) {
        Schedule all = known;
        all.insert(all.end(), scenario.changes.begin(), scenario.changes.end());
        afterKnown.push_back({scenario.name, scenario.parameters, sortedByDay(std::move(all))});
    }
    return continueScenarios(afterKnown, startsOf(result.matching, result.scope), threads, nullptr, done,
                             result.scope);
}

}  // namespace pandemie
