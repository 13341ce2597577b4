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
// the posterior: those closest to the observations are continued to day 180.
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

using ParameterValues = std::array<int, parameterTable.size()>;  // in the order of parameterTable

// Computes values[i] = item(i) for every i in 0..count-1, spread over
// threads or processes as the caller likes.
using Spread = std::function<void(std::int64_t count, const std::function<double(std::int64_t)>& item,
                                  std::vector<double>& values)>;

// item(i) for every i from `threads` threads of this process.
[[nodiscard]] Spread threadSpread(int threads);

struct FitSettings {
    std::array<ParameterRange, parameterTable.size()> prior;  // min == max: held fixed
    Schedule changes;                                         // known interventions, in every run
    RunScope scope;                                           // persons, first cases and days of every run
    std::uint64_t seed = windowSeed;
    int threads = 1;  // for the work every process does alike: the matching runs' days 1..180
    int particles = 1000;
    std::int64_t forecastRuns = 200;    // the matching runs the forecast is made of
    int candidatesPerForecastRun = 10;  // exact runs tried per matching run
    double stopAcceptance = 0.004;      // a generation accepting fewer proposals is the last
    std::int64_t simulationBudget = 6'000'000;
    int maxGenerations = 40;

    [[nodiscard]] bool isFree(std::size_t parameter) const noexcept {
        return prior[parameter].min < prior[parameter].max;
    }
};

[[nodiscard]] FitSettings defaultFitSettings();

// The simulations one of `processes` processes typically runs in a fit
// with these settings, for a progress line: the work of a fit is not known
// before it ends. Each process judges its share of the proposals and of the
// forecast's candidates and continues every matching run.
[[nodiscard]] constexpr std::int64_t typicalFitSimulations(const FitSettings& settings, int processes) {
    constexpr std::int64_t typicalProposals = 400'000;
    return (typicalProposals + settings.forecastRuns * settings.candidatesPerForecastRun) / processes +
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
    RunSummary summary;   // of days 1..180
};

// Weighted mean and percentiles (the smallest value with at least that share of the weight at or below it).
struct ParameterFigures {
    double mean = 0;
    double p10 = 0;
    double p50 = 0;
    double p90 = 0;
};

struct Misfit {
    double observedDistance = 0;         // median distance of posterior runs to the observations
    double syntheticDistance = 0;        // 95th percentile of the same between two posterior runs
    std::vector<Parameter> atPriorEdge;  // parameters with most posterior weight on a bound of their range
    [[nodiscard]] bool fails() const noexcept { return observedDistance > syntheticDistance; }
};

struct FitResult {
    std::vector<Particle> posterior;
    std::vector<Generation> generations;
    std::vector<ForecastRun> matching;  // by distance
    std::int64_t forecastCandidates = 0;
    BandStatistics bands;
    OutcomeStatistics outcomes;
    Misfit misfit;
    double judgingSeconds = 0;   // the generations' runs
    double forecastSeconds = 0;  // the exact runs, the check of the fit

    [[nodiscard]] std::int64_t simulations() const noexcept;
    // The matching runs' summaries, by distance: the forecast's per-run table.
    [[nodiscard]] std::vector<RunSummary> matchingSummaries() const;
    [[nodiscard]] ParameterFigures figures(Parameter parameter) const;
    [[nodiscard]] double correlation(Parameter a, Parameter b) const;
    // The transmission the data identify: encounters x (infection - 1/2).
    [[nodiscard]] ParameterFigures transmissionFigures() const;
    [[nodiscard]] JointPosterior joint(Parameter x, Parameter y, const FitSettings& settings) const;
};

[[nodiscard]] Parameters parametersOf(const ParameterValues& values);

// Each scenario's changes applied to the matching runs, after the known
// changes: every matching run again from its seed, so up to a scenario's
// first change it is the same run, and the scenarios are compared on the
// same runs (common random numbers). Differences are against the first.
// `done` counts the runs, matching runs times scenarios.
[[nodiscard]] ScenarioResults forecastScenarios(const FitResult& result,
                                                const std::vector<Scenario>& scenarios, const Schedule& known,
                                                int threads, std::atomic<std::int64_t>* done = nullptr);

// `done` counts simulations (judged runs and forecast runs).
[[nodiscard]] FitResult fit(const Observations& observed, const FitSettings& settings, const Spread& spread,
                            std::atomic<std::int64_t>* done = nullptr);

}  // namespace pandemie
