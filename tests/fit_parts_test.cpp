// The fit's parts on cases small enough to work out by hand.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "model/abc_smc.h"
#include "model/fit.h"

namespace {

using pandemie::FitSettings;
using pandemie::Parameter;
using pandemie::ParameterValues;
using pandemie::Particle;

constexpr auto encounters = static_cast<std::size_t>(Parameter::encounters);

// Every parameter held at its default, encounters free over `range`.
FitSettings oneFree(pandemie::ParameterRange range) {
    FitSettings settings = pandemie::defaultFitSettings();
    for (const pandemie::ParameterInfo& info : pandemie::parameterTable)
        settings.prior[static_cast<std::size_t>(info.parameter)] = {info.defaultValue, info.defaultValue};
    settings.prior[encounters] = range;
    return settings;
}

Particle particleAt(int value, double weight, double distance = 0) {
    ParameterValues values{};
    for (const pandemie::ParameterInfo& info : pandemie::parameterTable)
        values[static_cast<std::size_t>(info.parameter)] = info.defaultValue;
    values[encounters] = value;
    return {values, weight, distance};
}

// One observed count: the distance is the root of the sum of squares.
pandemie::Observations onePoint() {
    return {{{1, {std::nullopt, 3, std::nullopt}}}};
}

TEST(abcSmc, flatDistanceGivesThePriorBack) {
    // Every run equally close: every proposal is accepted, and only the
    // importance weights undo the kernel's spill past the prior's edges.
    FitSettings settings = oneFree({1, 5});
    settings.particles = 20000;
    const pandemie::ObservationDistance distance(onePoint());
    const auto flat = [](const ParameterValues&, std::uint64_t, double) { return 1.0; };
    const pandemie::SmcResult result = pandemie::abcSmc(settings, distance, flat, pandemie::threadSpread(2));
    ASSERT_EQ(result.generations.size(), 2U);  // the tolerance cannot shrink past the tie
    std::array<double, 5> share{};
    double total = 0;
    for (const Particle& particle : result.posterior) {
        share.at(static_cast<std::size_t>(particle.values[encounters] - 1)) += particle.weight;
        total += particle.weight;
    }
    EXPECT_NEAR(total, 1.0, 1e-9);
    // Unweighted the edges would hold 0.17 each and the middle 0.23.
    for (const double s : share) EXPECT_NEAR(s, 0.2, 0.01);
}

TEST(abcSmc, weightIsPriorOverProposalDensity) {
    // Generation {2, 4} at half weight each: variance 1, kernel sigma sqrt 2,
    // steps -5..5 with chances K(s) = exp(-s^2 / 4) / 3.5446510837.
    // q(2) = (K(0) + K(2)) / 2 = 0.1929498, q(3) = K(1) = 0.2197115.
    const FitSettings settings = oneFree({1, 20});
    const pandemie::Population population(settings, {particleAt(2, 0.5), particleAt(4, 0.5)});
    EXPECT_NEAR(population.proposalDensity(particleAt(2, 0).values), 0.19294980, 1e-8);
    EXPECT_NEAR(population.proposalDensity(particleAt(3, 0).values), 0.21971155, 1e-8);
    EXPECT_DOUBLE_EQ(population.proposalDensity(particleAt(10, 0).values), 0.0);  // 6 steps from 4
    // The weights are 1/q, normalised: 1/q(2) : 1/q(3) : 1/q(3).
    std::vector<Particle> accepted{particleAt(2, 0), particleAt(3, 0), particleAt(3, 0)};
    pandemie::weighByProposal(accepted, population);
    EXPECT_NEAR(accepted[0].weight, 0.36279310, 1e-8);
    EXPECT_NEAR(accepted[1].weight, 0.31860345, 1e-8);
    EXPECT_NEAR(accepted[2].weight, 0.31860345, 1e-8);
}

TEST(abcSmc, stepKernelIsANormalOnTheGrid) {
    const pandemie::StepKernel kernel(2.0);  // reaches 7 = ceil(3.5 x 2) steps
    double total = 0;
    for (int step = -8; step <= 8; ++step) total += kernel.chance(step);
    EXPECT_NEAR(total, 1.0, 1e-12);
    EXPECT_GT(kernel.chance(7), 0.0);
    EXPECT_EQ(kernel.chance(8), 0.0);
    EXPECT_DOUBLE_EQ(kernel.chance(-3), kernel.chance(3));
    EXPECT_NEAR(kernel.chance(1) / kernel.chance(0), std::exp(-1.0 / 8), 1e-12);
    // Drawing from evenly spread u gives every step its chance.
    constexpr int draws = 100000;
    std::map<int, int> count;
    for (int k = 0; k < draws; ++k) ++count[kernel.draw((k + 0.5) / draws)];
    for (int step = -7; step <= 7; ++step)
        EXPECT_NEAR(count[step] / double{draws}, kernel.chance(step), 2e-5);
}

std::vector<Particle> atDistances(const std::vector<double>& distances) {
    std::vector<Particle> particles;
    particles.reserve(distances.size());
    for (const double d : distances) particles.push_back(particleAt(1, 1.0, d));
    return particles;
}

TEST(abcSmc, toleranceIsTheMedianOrPastItsTies) {
    const auto tiedAtOne = atDistances({1, 0.5, 1, 1, 1});
    EXPECT_EQ(pandemie::nextTolerance(tiedAtOne, 2.0), 1.0);
    // The median no longer shrinks: the largest distance clearly below the last tolerance.
    EXPECT_EQ(pandemie::nextTolerance(tiedAtOne, 1.0), 0.5);
    EXPECT_EQ(pandemie::nextTolerance(tiedAtOne, 1.005), 0.5);
    EXPECT_EQ(pandemie::nextTolerance(atDistances({1, 1, 1}), 1.0), std::nullopt);
    EXPECT_EQ(pandemie::nextTolerance(atDistances({0, 0, 0, 2}), 0.0), 0.0);  // exact matches end the fit
}

TEST(observationDistance, levelsAndChangesOfTheObservedPoints) {
    // Infected 10 on day 1 and 14 on day 2; the run has 12 and 13: two
    // levels and one change (1 against 4, scaled by 1 + 4 + 2).
    const pandemie::Observations observed{
        {{1, {std::nullopt, 10, std::nullopt}}, {2, {std::nullopt, 14, std::nullopt}}}};
    const pandemie::ObservationDistance distance(observed);
    const std::vector<pandemie::RowValues> run{{-1, 12, -1, -1}, {-1, 13, -1, -1}};
    const double levels = std::pow(std::sqrt(12.375) - std::sqrt(10.375), 2) +
                          std::pow(std::sqrt(13.375) - std::sqrt(14.375), 2);
    const double sum = pandemie::sumOfSquaresOver(run, distance);
    EXPECT_NEAR(sum, levels + 9.0 / 7, 1e-12);
    EXPECT_NEAR(distance.distance(sum), std::sqrt(sum / 3), 1e-12);
    EXPECT_EQ(distance.observationsLike(run).days.size(), 2U);
}

// A run whose infected count is its encounters parameter, stepped by the
// model's day loop.
struct ScriptedRun {
    pandemie::Parameters parameters;
    pandemie::DailyCounts counts_{};
    int days = 0;
    void setParameters(const pandemie::Parameters& p) { parameters = p; }
    void simulateDay(int /*day*/) {
        counts_.countInfected = parameters.encountersPerDay;
        ++days;
    }
    [[nodiscard]] const pandemie::DailyCounts& counts() const { return counts_; }
};

TEST(observationDistance, runsStepTheChangesAndStopPastTheBound) {
    pandemie::Observations observed;
    for (int day = 1; day <= 10; ++day) observed.days.push_back({day, {std::nullopt, 5, std::nullopt}});
    const pandemie::ObservationDistance distance(observed);
    // From day 4 the run has 5 infected, of two changes that day the last holding.
    const std::vector<pandemie::ParameterChange> changes{{4, {9}}, {4, {5}}};
    ScriptedRun run{{3}};
    const double sum =
        pandemie::sumOfSquaresOf(run, {3}, changes, distance, pandemie::Sighting{}, 0, pandemie::unreached);
    const double level = std::pow(std::sqrt(3.375) - std::sqrt(5.375), 2);
    EXPECT_EQ(run.days, 10);
    EXPECT_NEAR(sum, 3 * level + 4.0 / 4, 1e-12);  // days 1..3 off, and day 4's change of 2 against 0
    ScriptedRun stopped{{3}};
    EXPECT_EQ(pandemie::sumOfSquaresOf(stopped, {3}, changes, distance, pandemie::Sighting{}, 0, 2.5 * level),
              pandemie::unreached);
    EXPECT_EQ(stopped.days, 3);
}

// A run in which `infected` persons of 100 are infected on every day d >= 1
// (besides three on day 0): the new cases follow from the latency alone.
struct SteadyInfections {
    pandemie::Parameters parameters;
    int infected = 0;
    pandemie::DailyCounts counts_{97, 3, 0};
    void setParameters(const pandemie::Parameters& p) { parameters = p; }
    void simulateDay(int day) { counts_.countSusceptible = 97 - infected * day; }
    [[nodiscard]] const pandemie::DailyCounts& counts() const { return counts_; }
};

std::vector<pandemie::RowValues> seen(const pandemie::Parameters& parameters, int periodDays, int rows,
                                      const pandemie::Sighting& sighting,
                                      const std::vector<pandemie::ParameterChange>& changes = {}) {
    std::vector<pandemie::ObservedRow> layout;
    for (int r = 1; r <= rows; ++r) layout.push_back({r * periodDays, periodDays, {-1, -1, -1, 0}, false});
    SteadyInfections run{parameters, 2};
    std::vector<pandemie::RowValues> values;
    pandemie::observeRows(run, parameters, changes, layout, sighting, 3, layout.back().day,
                          [&](std::size_t, const pandemie::RowValues& row) {
                              values.push_back(row);
                              return true;
                          });
    return values;
}

TEST(caseCounting, casesComeOnTheDayAfterTheLatencyAndSumOverTheirPeriods) {
    pandemie::Parameters parameters;
    parameters.latencyDays = 2;
    constexpr std::size_t cases = 3;  // the column of new cases
    // Day 3: the three first cases; from day 4 the two infected three days before.
    const auto daily = seen(parameters, 1, 14, {});
    EXPECT_EQ(daily[1][cases], 0);
    EXPECT_EQ(daily[2][cases], 3);
    EXPECT_EQ(daily[3][cases], 2);
    EXPECT_EQ(daily[0][1], -1);  // levels not asked for stay unseen
    const auto weekly = seen(parameters, 7, 2, {});
    for (std::size_t week = 0; week < 2; ++week) {
        double sum = 0;
        for (std::size_t d = 7 * week; d < 7 * week + 7; ++d) sum += daily[d][cases];
        EXPECT_EQ(weekly[week][cases], sum);
    }
    // Counted two days late, or with the data's day 1 on the model's day 3.
    EXPECT_EQ(seen(parameters, 1, 14, {1, 2, 1, 0})[4][cases], 3);
    EXPECT_EQ(seen(parameters, 1, 14, {3, 0, 1, 0})[0][cases], 3);
    // Latency 0 from day 5: the cohorts of days 2..4 all count on day 5.
    pandemie::Parameters shorter = parameters;
    shorter.latencyDays = 0;
    EXPECT_EQ(seen(parameters, 1, 14, {}, {{5, shorter}})[4][cases], 6);
}

TEST(caseCounting, eachCaseIsCountedWithTheReportingShare) {
    pandemie::Parameters parameters;
    parameters.latencyDays = 0;
    double sum = 0;
    constexpr int seeds = 2000;
    for (int seed = 0; seed < seeds; ++seed)
        sum += seen(parameters, 10, 1, {1, 0, 0.25, static_cast<std::uint64_t>(seed)})[0][3];
    // 3 + 9 x 2 = 21 cases in days 1..10, a quarter of them counted.
    EXPECT_NEAR(sum / seeds, 21 * 0.25, 4 * std::sqrt(21 * 0.25 * 0.75 / seeds));
}

TEST(posterior, weightedPercentilesAndMean) {
    pandemie::FitResult result;
    result.posterior = {particleAt(3, 0.6), particleAt(1, 0.1), particleAt(2, 0.3)};
    const pandemie::ParameterFigures figures = result.figures(Parameter::encounters);
    EXPECT_NEAR(figures.mean, 2.5, 1e-12);
    EXPECT_EQ(figures.p10, 1);  // 0.1 of the weight at or below 1, despite rounding
    EXPECT_EQ(figures.p50, 3);
    EXPECT_EQ(figures.p90, 3);
}

}  // namespace
