#include "model/fit.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "model/abc_smc.h"
#include "model/count_epidemic.h"
#include "model/fit_seeds.h"
#include "model/forecast.h"
#include "model/posterior.h"

namespace pandemie {

Spread threadSpread(int threads) {
    return [threads](std::int64_t count, const std::function<double(std::int64_t)>& item,
                     std::vector<double>& values) {
        values.assign(static_cast<std::size_t>(count), 0.0);
        forEachIndex(count, threads, [&](std::int64_t i) { values[static_cast<std::size_t>(i)] = item(i); });
    };
}

FitSettings defaultFitSettings() {
    FitSettings settings;
    for (const ParameterInfo& info : parameterTable)
        settings.prior[indexOf(fitQuantityOf(info.parameter))] = {info.min, info.max};
    settings.prior[indexOf(FitQuantity::reporting)] = {reportingScale, reportingScale};
    settings.prior[indexOf(FitQuantity::start)] = {1, 1};
    return settings;
}

RunSetup runSetupOf(const FitSettings& settings, const ParameterValues& values, std::uint64_t runSeed) {
    const int lead = startOf(values) - 1;
    RunSetup setup{parametersOf(values), settings.scope, {}, {}};
    setup.scope.days += lead;
    Schedule onModelDays = settings.changes;
    for (Change& change : onModelDays) change.day += lead;
    setup.changes = changesByDay(setup.parameters, onModelDays);
    setup.sighting = {startOf(values), settings.reportDelay, reportingOf(values),
                      seedOf(runSeed, Stream::reporting, 0, 0)};
    return setup;
}

Parameters parametersOf(const ParameterValues& values) {
    Parameters parameters;
    for (const ParameterInfo& info : parameterTable)
        setParameterValue(parameters, info.parameter, values[static_cast<std::size_t>(info.parameter)]);
    return parameters;
}

double reproductionNumber(const ParameterValues& values) {
    const Parameters parameters = parametersOf(values);
    const int infectiousDays = std::max(0, parameters.recoveryDays - parameters.latencyDays);
    return 2.0 * parameters.encountersPerDay * drawBelowChance(parameters.infectionPerMille) * infectiousDays;
}

std::vector<RunSummary> FitResult::matchingSummaries() const {
    std::vector<RunSummary> summaries;
    summaries.reserve(matching.size());
    for (const ForecastRun& run : matching) summaries.push_back(run.summary);
    return summaries;
}

std::int64_t FitResult::simulations() const noexcept {
    std::int64_t total = forecastCandidates;
    for (const Generation& generation : generations) total += generation.simulations;
    return total;
}

FitResult fit(const Observations& observed, const FitSettings& settings, const Spread& spread,
              std::atomic<std::int64_t>* done) {
    if (observed.lastDay() > settings.scope.days)
        throw std::invalid_argument("observations past the last day simulated");
    const auto start = std::chrono::steady_clock::now();
    const ObservationDistance distance(observed);
    // The generations judge runs of the counting engine, stopped once past the tolerance.
    const Judge judge = [&](const ParameterValues& values, std::uint64_t seed, double bound) {
        const RunSetup setup = runSetupOf(settings, values, seed);
        CountEpidemic run(setup.parameters, seed, setup.scope);
        const double sum = setup.sumOfSquares(run, distance, bound);
        if (done != nullptr) done->fetch_add(1, std::memory_order_relaxed);
        return sum;
    };
    FitResult result;
    result.scope = settings.scope;
    result.prior = settings.prior;
    if (settings.fitsAnything()) {
        SmcResult smc = abcSmc(settings, distance, judge, spread);
        result.posterior = std::move(smc.posterior);
        result.generations = std::move(smc.generations);
    } else {
        // Nothing to fit: the values given are the whole posterior.
        Particle given{{}, 1, 0};
        for (std::size_t q = 0; q < given.values.size(); ++q) given.values[q] = settings.prior[q].min;
        result.posterior.push_back(given);
    }
    const auto judgingDone = std::chrono::steady_clock::now();
    result.misfit = misfitOf(result.posterior, settings, distance);
    forecastFromPosterior(result, settings, distance, spread, done);
    if (!settings.fitsAnything())
        result.posterior.front().distance = result.matching.at(result.matching.size() / 2).distance;
    result.judgingSeconds = std::chrono::duration<double>(judgingDone - start).count();
    result.forecastSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - judgingDone).count();
    return result;
}

}  // namespace pandemie
