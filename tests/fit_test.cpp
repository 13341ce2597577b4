#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model/count_epidemic.h"
#include "model/fit.h"
#include "output/fit_exports.h"

namespace {

using pandemie::CountEpidemic;
using pandemie::FitResult;
using pandemie::FitSettings;
using pandemie::Observations;
using pandemie::Parameter;
using pandemie::Parameters;

struct Moments {
    double mean = 0;
    double variance = 0;
};

// The infected count on `day` over many runs of either engine.
template <class RunInfected>
Moments momentsOf(int runs, RunInfected&& infectedOfRun) {
    double sum = 0;
    double squares = 0;
    for (int k = 0; k < runs; ++k) {
        const double value = infectedOfRun(static_cast<std::uint64_t>(k));
        sum += value;
        squares += value * value;
    }
    const double mean = sum / runs;
    return {mean, squares / runs - mean * mean};
}

TEST(fit, countEngineHasTheExactEnginesLaw) {
    constexpr int day = 30;
    for (const Parameters& parameters :
         {Parameters{10, 8, 2, 14}, Parameters{3, 19, 0, 24}, Parameters{20, 2, 5, 9}}) {
        const Moments exact = momentsOf(200, [&](std::uint64_t seed) {
            return pandemie::runSeeded(parameters, seed)[day - 1].countInfected;
        });
        const Moments counted = momentsOf(6000, [&](std::uint64_t seed) {
            CountEpidemic run(parameters, seed);
            for (int d = 1; d <= day; ++d) run.simulateDay(d);
            return run.counts().countInfected;
        });
        // Four standard errors of the difference; the seeds are fixed.
        const double error = std::sqrt(exact.variance / 200 + counted.variance / 6000);
        EXPECT_NEAR(counted.mean, exact.mean, 4 * error + 0.05) << parameters.encountersPerDay;
        EXPECT_NEAR(std::sqrt(counted.variance), std::sqrt(exact.variance),
                    0.15 * std::sqrt(exact.variance) + 0.1);
    }
}

Observations infectedOf(const pandemie::Trajectory& run, int days) {
    Observations observed;
    for (int day = 1; day <= days; ++day)
        observed.days.push_back(
            {day, {std::nullopt, run[static_cast<std::size_t>(day - 1)].countInfected, std::nullopt}});
    return observed;
}

FitSettings quickSettings() {
    FitSettings settings = pandemie::defaultFitSettings();
    settings.particles = 200;
    settings.forecastRuns = 20;
    settings.stopAcceptance = 0.02;
    return settings;
}

TEST(fit, noSpreadLeavesNoWeightWhereSpreadIsLikely) {
    // Latency past recovery: the three first cases recover on day 8 and infect nobody.
    const auto run = pandemie::runSeeded(Parameters{12, 15, 10, 8}, 3);
    ASSERT_EQ(run[29].countRecovered, 3);
    const FitResult result = pandemie::fit(infectedOf(run, 30), quickSettings(), pandemie::threadSpread(2));
    for (const pandemie::Particle& particle : result.posterior) {
        const auto [encounters, infection, latency, recovery] = particle.values;
        EXPECT_EQ(recovery, 8);  // the day the first cases recover tells recovery
        // The first cases' effective contacts expected over their infectious days
        // 0.006 e (i - 1/2) (r - l): at 10 and more, a run without spread has a chance below 1e-4.
        const double contacts = 0.006 * encounters * (infection - 0.5) * std::max(0, recovery - latency);
        EXPECT_LT(contacts, 10) << encounters << " " << infection << " " << latency;
    }
    for (const pandemie::ForecastRun& forecast : result.matching)
        EXPECT_EQ(forecast.summary.final.countRecovered, 3);
}

TEST(fit, fixedParametersStayAndThreadsDoNotMatter) {
    const auto run = pandemie::runSeeded(Parameters{10, 8, 2, 14}, 11);
    FitSettings settings = quickSettings();
    settings.prior[static_cast<std::size_t>(Parameter::recovery)] = {14, 14};
    settings.prior[static_cast<std::size_t>(Parameter::latency)] = {1, 4};
    const Observations observed = infectedOf(run, 40);
    const FitResult one = pandemie::fit(observed, settings, pandemie::threadSpread(1));
    const FitResult two = pandemie::fit(observed, settings, pandemie::threadSpread(2));
    for (const pandemie::Particle& particle : one.posterior) {
        EXPECT_EQ(particle.values[3], 14);
        EXPECT_GE(particle.values[2], 1);
        EXPECT_LE(particle.values[2], 4);
    }
    EXPECT_EQ(pandemie::output::posteriorCsv(one), pandemie::output::posteriorCsv(two));
    EXPECT_EQ(pandemie::output::fitSummaryCsv(one), pandemie::output::fitSummaryCsv(two));
    EXPECT_GT(one.generations.size(), 2U);
    // The truth is within reach: the transmission's interval holds it.
    const auto transmission = one.transmissionFigures();
    EXPECT_LE(transmission.p10, 75);
    EXPECT_GE(transmission.p90, 75);
}

}  // namespace
