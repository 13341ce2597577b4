#pragma once
// Fitting the four parameters to observed counts, likelihood-free, by
// sequential Monte Carlo over shrinking tolerances (ABC-SMC), and the
// forecast from the model's own runs that match the observations.
//
// A particle is a point of the parameters' whole-number grid. Generation 0
// draws them from the prior; each later one perturbs particles of the one
// before and keeps those whose runs come within the tolerance, the median
// distance of the generation before, weighted by prior over proposal
// density. Runs are judged by CountEpidemic and stop at the last observed
// day, or sooner, once their distance has passed the tolerance. The
// forecast comes from runs of the exact engine with parameters drawn from
// the posterior: those closest to the observations are continued to day D.
// Every run, judged or exact, simulates the settings' scope: N persons, K
// first cases, D days; observed counts are persons of N.
//
// Proposal i of generation g draws from its own generator, seeded from the
// seed, g and i, and generations take the first accepted proposals in the
// order of i: the result does not depend on how the work is spread.
//
// The parts: model/abc_smc.h (the generations), model/fit_distance.h (the
// distance), model/posterior.h (draws and the check of the fit),
// model/forecast.h (the matching runs).

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "model/band_stats.h"
#include "model/ensemble.h"
#include "model/fit_distance.h"
#include "model/observations.h"
#include "model/parameters.h"
#include "model/scenario.h"

namespace pandemie {

// The posterior weight of every pair of values of two parameters:
// weight[(yValue - y.min) * (x.max - x.min + 1) + (xValue - x.min)], summing to 1.
struct JointPosterior {
    Parameter x = Parameter::encounters;
    Parameter y = Parameter::infection;
    ParameterRange xRange;
    ParameterRange yRange;
    std::vector<double> weight;
};

// What a fit infers, each on a grid of whole numbers: the model's four
// parameters in the order of parameterTable, then how its cases are seen.
enum class FitQuantity : std::uint8_t { encounters, infection, latency, recovery, reporting, start };

struct FitQuantityInfo {
    FitQuantity quantity;
    std::string_view name;         // --prior NAME=A..B, the report's and the tables' name
    std::string_view description;  // for --help and the report
    int toolMin;                   // in grid units
    int toolMax;
};

// The grid's units of one reporting share: the share is drawn in steps of 1/1000.
inline constexpr int reportingScale = 1000;

inline constexpr std::array<FitQuantityInfo, 6> fitQuantityTable{{
    {FitQuantity::encounters, infoOf(Parameter::encounters).name, infoOf(Parameter::encounters).description,
     infoOf(Parameter::encounters).toolMin, infoOf(Parameter::encounters).toolMax},
    {FitQuantity::infection, infoOf(Parameter::infection).name, infoOf(Parameter::infection).description,
     infoOf(Parameter::infection).toolMin, infoOf(Parameter::infection).toolMax},
    {FitQuantity::latency, infoOf(Parameter::latency).name, infoOf(Parameter::latency).description,
     infoOf(Parameter::latency).toolMin, infoOf(Parameter::latency).toolMax},
    {FitQuantity::recovery, infoOf(Parameter::recovery).name, infoOf(Parameter::recovery).description,
     infoOf(Parameter::recovery).toolMin, infoOf(Parameter::recovery).toolMax},
    {FitQuantity::reporting, "reporting", "Share of the cases that are counted (0.001..1)", 1,
     reportingScale},
    {FitQuantity::start, "start",
     "Days from the first infections (model day 0) to the data's first day, which is the model's day START",
     1, scopeLimits.maxDays},
}};
static_assert(inEnumeratorOrder(fitQuantityTable, &FitQuantityInfo::quantity));

[[nodiscard]] constexpr std::size_t indexOf(FitQuantity quantity) noexcept {
    return static_cast<std::size_t>(quantity);
}
[[nodiscard]] constexpr FitQuantity fitQuantityOf(Parameter parameter) noexcept {
    return static_cast<FitQuantity>(parameter);
}
[[nodiscard]] constexpr std::optional<FitQuantity> fitQuantityNamed(std::string_view name) noexcept {
    return keyNamed(fitQuantityTable, &FitQuantityInfo::quantity, name);
}

// The start's prior where the data have dates and nothing fixes it: up to
// four months of unseen spread before the first count.
inline constexpr ParameterRange defaultStartPrior{1, 120};

using ParameterValues = std::array<int, fitQuantityTable.size()>;  // in the order of fitQuantityTable

[[nodiscard]] constexpr double reportingOf(const ParameterValues& values) noexcept {
    return values[indexOf(FitQuantity::reporting)] / static_cast<double>(reportingScale);
}
[[nodiscard]] constexpr int startOf(const ParameterValues& values) noexcept {
    return values[indexOf(FitQuantity::start)];
}

// Computes values[i] = item(i) for every i in 0..count-1, spread over
// threads or processes as the caller likes.
using Spread = std::function<void(std::int64_t count, const std::function<double(std::int64_t)>& item,
                                  std::vector<double>& values)>;

// item(i) for every i from `threads` threads of this process.
[[nodiscard]] Spread threadSpread(int threads);

struct FitSettings {
    std::array<ParameterRange, fitQuantityTable.size()> prior;  // min == max: held fixed
    // Known interventions, in every run, on the data's days: day k is the model's day k + start - 1.
    Schedule changes;
    // Persons and first cases of every run; its days are the data's days
    // 1..D, after the start - 1 days before them.
    RunScope scope;
    int reportDelay = 0;  // days from a case's infectiousness to its count
    std::uint64_t seed = windowSeed;
    int threads = 1;  // for the work every process does alike: the matching runs' days 1..D
    int particles = 1000;
    std::int64_t forecastRuns = 200;    // the matching runs the forecast is made of
    int candidatesPerForecastRun = 10;  // exact runs tried per matching run
    double stopAcceptance = 0.004;      // a generation accepting fewer proposals is the last
    std::int64_t simulationBudget = 6'000'000;
    int maxGenerations = 40;

    [[nodiscard]] constexpr bool isFree(std::size_t quantity) const noexcept {
        return prior[quantity].min < prior[quantity].max;
    }
    [[nodiscard]] bool isFree(FitQuantity quantity) const noexcept { return isFree(indexOf(quantity)); }
    // Whether any quantity is left to fit: with every one held fixed, the
    // forecast is forecastRuns runs of the values given, judged but not chosen.
    [[nodiscard]] constexpr bool fitsAnything() const noexcept {
        for (std::size_t q = 0; q < prior.size(); ++q)
            if (isFree(q)) return true;
        return false;
    }
    // The exact runs tried per matching run: all of them where nothing is fitted.
    [[nodiscard]] constexpr int candidatesPerMatchingRun() const noexcept {
        return fitsAnything() ? candidatesPerForecastRun : 1;
    }
};

[[nodiscard]] FitSettings defaultFitSettings();

// The simulations one of `processes` processes typically runs in a fit
// with these settings, for a progress line: the work of a fit is not known
// before it ends. Each process judges its share of the proposals and of the
// forecast's candidates and continues every matching run.
[[nodiscard]] constexpr std::int64_t typicalFitSimulations(const FitSettings& settings, int processes) {
    const std::int64_t typicalProposals = settings.fitsAnything() ? 400'000 : 0;
    return (typicalProposals + settings.forecastRuns * settings.candidatesPerMatchingRun()) / processes +
           settings.forecastRuns;
}

struct Particle {
    ParameterValues values{};
    double weight = 0;  // the weights of a generation sum to 1
    double distance = 0;
};

struct Generation {
    double tolerance = 0;
    std::int64_t proposals = 0;
    std::int64_t simulations = 0;  // proposals inside the prior, each one run
};

struct ForecastRun {
    ParameterValues values{};
    std::uint64_t seed = 0;
    double distance = 0;  // over the observed days
    RunSummary summary;   // of days 1..D
};

// Weighted mean and percentiles (the smallest value with at least that share of the weight at or below it).
struct ParameterFigures {
    double mean = 0;
    double p10 = 0;
    double p50 = 0;
    double p90 = 0;
};

// A share of the observed counts outside every matching run beyond which the
// model does not fit: a count the model's closest runs never come near at its row.
inline constexpr double maxShareOutsideRuns = 0.1;
// How far beyond every matching run a count lies to be outside them, on the
// distance's scale of sqrt(count + 3/8), where a count's chance spread is
// about 1/2: two spreads beyond the farthest of the runs.
inline constexpr double outsideMargin = 1.0;

struct Misfit {
    double observedDistance = 0;   // median distance of posterior runs to the observations
    double syntheticDistance = 0;  // 95th percentile of the same between two posterior runs
    int observedPoints = 0;        // the observed counts, one per row and series
    int pointsOutsideRuns = 0;     // of them, those below or above every matching run at their row
    std::vector<FitQuantity>
        atPriorEdge;  // most posterior weight on a bound of the prior inside the tool's range

    [[nodiscard]] double shareOutsideRuns() const noexcept {
        return observedPoints == 0 ? 0.0 : static_cast<double>(pointsOutsideRuns) / observedPoints;
    }
    [[nodiscard]] bool farFromRuns() const noexcept { return observedDistance > syntheticDistance; }
    [[nodiscard]] bool outsideRuns() const noexcept { return shareOutsideRuns() > maxShareOutsideRuns; }
    [[nodiscard]] bool fails() const noexcept { return farFromRuns() || outsideRuns(); }
};

// A row of the forecast in the data's own units: one of the data's rows or
// of those that continue their spacing to day D, for one series.
struct ForecastRow {
    int day = 0;  // the data's day the row closes
    int periodDays = 1;
    ObservedSeries series = ObservedSeries::infected;
    std::optional<double> observed;  // the data's count, where it has one
    ParameterFigures figures;        // over the matching runs, as they would be counted
};

struct FitResult {
    std::vector<Particle> posterior;
    std::vector<Generation> generations;
    std::vector<ForecastRun> matching;  // by distance
    std::int64_t forecastCandidates = 0;
    BandStatistics bands;
    OutcomeStatistics outcomes;
    Misfit misfit;
    std::array<ParameterRange, fitQuantityTable.size()> prior{};  // the settings'
    std::vector<ForecastRow> forecastRows;                        // by row, then series
    ParameterFigures countedCases;  // new cases counted in the forecast rows' periods
    RunScope scope;                 // of every run, the matching runs' continuations included
    double judgingSeconds = 0;      // the generations' runs
    double forecastSeconds = 0;     // the exact runs, the check of the fit

    [[nodiscard]] std::int64_t simulations() const noexcept;
    // The matching runs' summaries, by distance: the forecast's per-run table.
    [[nodiscard]] std::vector<RunSummary> matchingSummaries() const;
    [[nodiscard]] bool fitted(FitQuantity quantity) const noexcept {
        return prior[indexOf(quantity)].min < prior[indexOf(quantity)].max;
    }
    // False where every quantity was held fixed: the forecast is then runs of the values given.
    [[nodiscard]] bool fittedAnything() const noexcept { return !generations.empty(); }
    [[nodiscard]] ParameterFigures figures(FitQuantity quantity) const;
    [[nodiscard]] ParameterFigures figures(Parameter parameter) const {
        return figures(fitQuantityOf(parameter));
    }
    [[nodiscard]] ParameterFigures reproductionFigures() const;
    [[nodiscard]] double correlation(Parameter a, Parameter b) const;
    // The transmission the data identify: encounters x (infection - 1/2).
    [[nodiscard]] ParameterFigures transmissionFigures() const;
    [[nodiscard]] JointPosterior joint(Parameter x, Parameter y, const FitSettings& settings) const;
};

[[nodiscard]] Parameters parametersOf(const ParameterValues& values);

// A run of the fit, judged or forecast, as its values and seed set it up:
// its parameters; its scope, the settings' persons and first cases with the
// start - 1 days before the data's day 1 and then the data's days 1..D; the
// known changes (given on the data's days) on its model days; how it is seen.
struct RunSetup {
    Parameters parameters;
    RunScope scope;
    std::vector<ParameterChange> changes;
    Sighting sighting;

    // observeRows on a fresh engine of this run, through the data's day lastDataDay.
    template <class Run, class OnRow>
    void observe(Run& run, std::span<const ObservedRow> rows, int lastDataDay, OnRow&& onRow) const {
        observeRows(run, parameters, changes, rows, sighting, scope.initialCases, lastDataDay,
                    std::forward<OnRow>(onRow));
    }
    // sumOfSquaresOf on a fresh engine of this run.
    template <class Run>
    [[nodiscard]] double sumOfSquares(Run& run, const ObservationDistance& distance, double bound) const {
        return sumOfSquaresOf(run, parameters, changes, distance, sighting, scope.initialCases, bound);
    }
};

[[nodiscard]] RunSetup runSetupOf(const FitSettings& settings, const ParameterValues& values,
                                  std::uint64_t runSeed);
// The basic reproduction number: an infectious person meets 2 x encounters
// persons a day, each infected with the infection draw's chance, on the
// recovery - latency days it is infectious.
[[nodiscard]] double reproductionNumber(const ParameterValues& values);

// Each scenario's changes applied to the matching runs, after the known
// changes: every matching run again from its seed, so up to a scenario's
// first change it is the same run, and the scenarios are compared on the
// same runs (common random numbers). Differences are against the first.
// `done` counts the runs, matching runs times scenarios.
[[nodiscard]] ScenarioResults forecastScenarios(const FitResult& result,
                                                const std::vector<Scenario>& scenarios, const Schedule& known,
                                                int threads, std::atomic<std::int64_t>* done = nullptr);

// `done` counts simulations (judged runs and forecast runs). Throws
// std::invalid_argument for observations past the scope's last day.
[[nodiscard]] FitResult fit(const Observations& observed, const FitSettings& settings, const Spread& spread,
                            std::atomic<std::int64_t>* done = nullptr);

}  // namespace pandemie
