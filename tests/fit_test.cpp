#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/calendar.h"
#include "model/count_epidemic.h"
#include "model/fit.h"
#include "model/forecast.h"
#include "output/fit_exports.h"

namespace {

using pandemie::CountEpidemic;
using pandemie::FitResult;
using pandemie::FitSettings;
using pandemie::Observations;
using pandemie::Parameter;
using pandemie::Parameters;

// Mean and variance of a count over runs, with the standard errors of the
// mean and of the standard deviation (from the fourth moment).
struct Moments {
    double mean = 0;
    double variance = 0;
    double meanError = 0;
    double spreadError = 0;
};

Moments momentsOf(const std::vector<double>& values) {
    const auto n = static_cast<double>(values.size());
    double mean = 0;
    for (const double v : values) mean += v / n;
    double second = 0;
    double fourth = 0;
    for (const double v : values) {
        second += (v - mean) * (v - mean) / n;
        fourth += std::pow(v - mean, 4) / n;
    }
    const double spread = std::sqrt(second);
    return {mean, second, std::sqrt(second / n),
            spread > 0 ? std::sqrt(std::max(0.0, fourth - second * second) / n) / (2 * spread) : 0};
}

struct LawCase {
    pandemie::RunScope scope;
    Parameters parameters;
    std::array<int, 3> days;  // infected counted on the first two, recovered on the last
    int exactRuns = 0;
    int countRuns = 0;
};

// The counts of the case's days, one row per run.
template <class Run>
std::array<std::vector<double>, 3> countsOfDays(const LawCase& c, int runs, Run&& trajectoryOf) {
    std::array<std::vector<double>, 3> counts;
    for (int k = 0; k < runs; ++k) {
        const pandemie::Trajectory run = trajectoryOf(static_cast<std::uint64_t>(k) + 1);
        for (std::size_t i = 0; i < 3; ++i) {
            const pandemie::DailyCounts& day = run[static_cast<std::size_t>(c.days[i] - 1)];
            counts[i].push_back(i < 2 ? day.countInfected : day.countRecovered);
        }
    }
    return counts;
}

TEST(fit, distinctHitsHaveTheOccupancyLaw) {
    // C contacts among M persons: E H = M (1 - a), a = (1 - 1/M)^C; Var H =
    // M a + M (M - 1) (1 - 2/M)^C - M^2 a^2. Repeats counted (C < M/2), and
    // persons hit counted, near the switch and past saturation.
    const std::array<std::array<std::int64_t, 2>, 5> cases{
        {{100, 1000}, {4000, 10'000}, {20'000, 1'000'000}, {6000, 10'000}, {50'000, 20'000}}};
    for (const auto& [contacts, persons] : cases) {
        pandemie::Random random(11);
        std::vector<double> hits(4000);
        for (double& hit : hits) hit = static_cast<double>(pandemie::distinctHits(random, contacts, persons));
        const auto m = static_cast<double>(persons);
        const auto c = static_cast<double>(contacts);
        const double a = std::pow(1 - 1 / m, c);
        const double mean = m * (1 - a);
        const double variance = m * a + m * (m - 1) * std::pow(1 - 2 / m, c) - m * m * a * a;
        const Moments drawn = momentsOf(hits);
        EXPECT_NEAR(drawn.mean, mean, 4 * std::sqrt(variance / 4000) + 1e-9) << contacts << " of " << persons;
        EXPECT_NEAR(std::sqrt(drawn.variance), std::sqrt(variance), 4 * drawn.spreadError + 0.01)
            << contacts << " of " << persons;
    }
}

TEST(fit, countEngineHasTheExactEnginesLaw) {
    // Small, middle and large populations, the window's ranges and the tool's
    // wider ones: contact chances near one, recovery within days, days with
    // thousands of contacts, which the count engine draws in bulk, and a slow
    // disease over more than 180 days.
    const std::array<LawCase, 5> cases{{
        {{200, 2, 12}, Parameters{30, 60, 1, 4}, {3, 6, 12}, 600, 4000},
        {{200, 1, 9}, Parameters{2, 1000, 0, 3}, {2, 5, 9}, 600, 4000},
        {{1000, 3, 30}, Parameters{10, 8, 2, 14}, {20, 30, 30}, 300, 4000},
        {{20'000, 10, 12}, Parameters{20, 200, 3, 6}, {8, 11, 12}, 80, 2000},
        {{200, 1, 400}, Parameters{3, 40, 10, 20}, {60, 120, 400}, 400, 4000},
    }};
    for (const LawCase& c : cases) {
        const auto exact = countsOfDays(c, c.exactRuns, [&](std::uint64_t seed) {
            return pandemie::runSeeded(c.parameters, seed, {}, c.scope);
        });
        const auto counted = countsOfDays(c, c.countRuns, [&](std::uint64_t seed) {
            CountEpidemic run(c.parameters, seed, c.scope);
            EXPECT_EQ(run.counts(), (pandemie::DailyCounts{c.scope.persons - c.scope.initialCases,
                                                           c.scope.initialCases, 0}));
            pandemie::Trajectory trajectory;
            for (int day = 1; day <= c.scope.days; ++day) {
                run.simulateDay(day);
                trajectory.push_back(run.counts());
            }
            return trajectory;
        });
        for (std::size_t i = 0; i < 3; ++i) {
            const Moments e = momentsOf(exact[i]);
            const Moments k = momentsOf(counted[i]);
            // Four standard errors of the differences; the seeds are fixed.
            EXPECT_NEAR(k.mean, e.mean, 4 * std::hypot(e.meanError, k.meanError) + 0.05)
                << c.scope.persons << " persons, day " << c.days[i];
            EXPECT_NEAR(std::sqrt(k.variance), std::sqrt(e.variance),
                        4 * std::hypot(e.spreadError, k.spreadError) + 0.05)
                << c.scope.persons << " persons, day " << c.days[i];
        }
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
        const auto [encounters, infection, latency, recovery, reporting, start] = particle.values;
        EXPECT_EQ(reporting, pandemie::reportingScale);
        EXPECT_EQ(start, 1);
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

// The day,infected rows of an example file, data day d as the model's day d.
Observations exampleCounts(const std::string& name) {
    std::ifstream in(std::string(PANDEMIE_EXAMPLES_DIR) + "/" + name);
    std::string line;
    std::getline(in, line);  // the header
    Observations observed;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        int day = 0;
        char comma = 0;
        double infected = 0;
        row >> day >> comma >> infected;
        observed.days.push_back({day, {std::nullopt, infected, std::nullopt}});
    }
    return observed;
}

TEST(fit, dataNoRunComesNearAreAMisfitAndTheModelsOwnRunIsNot) {
    // 500 infected on each of 40 days, a plateau no run of 1000 persons
    // holds; nobody infected at all, where every run starts with 3 infected
    // who stay so until they recover, on day 8 at the soonest.
    Observations plateau;
    Observations none;
    for (int day = 1; day <= 40; ++day) {
        plateau.days.push_back({day, {std::nullopt, 500, std::nullopt}});
        none.days.push_back({day, {std::nullopt, 0, std::nullopt}});
    }
    FitSettings settings = quickSettings();
    settings.forecastRuns = 50;
    for (const Observations* observed : {&plateau, &none}) {
        const pandemie::Misfit misfit = pandemie::fit(*observed, settings, pandemie::threadSpread(2)).misfit;
        EXPECT_TRUE(misfit.outsideRuns()) << misfit.pointsOutsideRuns << " of " << misfit.observedPoints;
        EXPECT_TRUE(misfit.fails());
    }
    const pandemie::Misfit fitting =
        pandemie::fit(exampleCounts("beobachtet.csv"), settings, pandemie::threadSpread(2)).misfit;
    EXPECT_EQ(fitting.observedPoints, 40);
    EXPECT_FALSE(fitting.fails()) << fitting.pointsOutsideRuns << " " << fitting.observedDistance << " "
                                  << fitting.syntheticDistance;
}

TEST(fit, withEveryQuantityHeldFixedTheForecastIsRunsOfTheValuesGiven) {
    FitSettings settings = quickSettings();
    const pandemie::ParameterValues given{10, 8, 2, 14, pandemie::reportingScale, 1};
    for (std::size_t q = 0; q < given.size(); ++q) settings.prior[q] = {given[q], given[q]};
    ASSERT_FALSE(settings.fitsAnything());
    const FitResult result =
        pandemie::fit(exampleCounts("beobachtet.csv"), settings, pandemie::threadSpread(2));
    EXPECT_FALSE(result.fittedAnything());
    ASSERT_EQ(result.posterior.size(), 1U);
    EXPECT_EQ(result.posterior.front().values, given);
    // Every run tried is a matching run: none is chosen for its distance.
    EXPECT_EQ(result.forecastCandidates, settings.forecastRuns);
    EXPECT_EQ(std::ssize(result.matching), settings.forecastRuns);
    EXPECT_EQ(result.simulations(), settings.forecastRuns);
    EXPECT_GT(result.posterior.front().distance, 0);
    EXPECT_EQ(result.figures(Parameter::recovery).p50, 14);
    EXPECT_FALSE(result.misfit.fails());
}

TEST(fit, datedNewCasesOfATownInferTheStartAndForecastFromTheCountingForm) {
    // 50,000 persons, half the cases counted, the data's day 1 on the model's
    // day 6: thirty daily rows of new cases, made by the counting form itself.
    const Parameters truth{12, 8, 3, 12};
    const pandemie::RunScope scope{50'000, 3, 60};
    std::vector<pandemie::ObservedRow> layout;
    for (int day = 1; day <= 30; ++day) layout.push_back({day, 1, {-1, -1, -1, 0}, day > 1});
    CountEpidemic made(truth, 99, {scope.persons, 3, scope.days + 5});
    Observations observed;
    observed.dateOfDayOne = pandemie::daysFromCivil({2020, 3, 1});
    pandemie::observeRows(made, truth, {}, layout, {6, 0, 0.5, 7}, 3, 30,
                          [&](std::size_t r, const pandemie::RowValues& values) {
                              observed.days.push_back({static_cast<int>(r) + 1, {}, 1});
                              observed.days.back().counts[3] = values[3];
                              return true;
                          });
    FitSettings settings = quickSettings();
    settings.scope = scope;
    settings.prior[static_cast<std::size_t>(Parameter::latency)] = {3, 3};
    settings.prior[static_cast<std::size_t>(Parameter::recovery)] = {12, 12};
    settings.prior[pandemie::indexOf(pandemie::FitQuantity::reporting)] = {1, 1000};
    settings.prior[pandemie::indexOf(pandemie::FitQuantity::start)] = {1, 30};
    const FitResult result = pandemie::fit(observed, settings, pandemie::threadSpread(2));
    const auto start = result.figures(pandemie::FitQuantity::start);
    EXPECT_LE(start.p10, 6);
    EXPECT_GE(start.p90, 6);
    ASSERT_EQ(result.forecastRows.size(), 60U);  // days 1..60 of new cases
    EXPECT_EQ(result.forecastRows[29].observed, observed.days.back().counts[3]);
    EXPECT_FALSE(result.forecastRows[30].observed.has_value());
    // Scenarios continue the matching runs on the same engine from the same
    // day: without changes, the forecast itself.
    const auto same = pandemie::forecastScenarios(result, {pandemie::Scenario{"a", {}, {}}}, {}, 2);
    EXPECT_EQ(same.bands.front().courses().p50, result.bands.courses().p50);
    EXPECT_EQ(same.summaries.front().histogram(pandemie::Outcome::peakDay).percentile(50),
              result.outcomes.histogram(pandemie::Outcome::peakDay).percentile(50));
}

TEST(fit, schoolOutbreakFitsItsOwnPopulation) {
    // 763 pupils, 3 in bed on the first day, an influenza's short latency
    // and recovery within the prior: the counts as given, no misfit, and the
    // forecast peaks with the data (day 6: 298 in bed, day 7: 258).
    const Observations observed = exampleCounts("internat.csv");
    ASSERT_EQ(observed.days.size(), 14U);
    FitSettings settings = quickSettings();
    settings.particles = 300;
    settings.forecastRuns = 50;
    settings.scope = {763, 3, 30};
    settings.prior[static_cast<std::size_t>(Parameter::infection)] = {0, 200};
    settings.prior[static_cast<std::size_t>(Parameter::latency)] = {0, 5};
    settings.prior[static_cast<std::size_t>(Parameter::recovery)] = {1, 10};
    const FitResult result = pandemie::fit(observed, settings, pandemie::threadSpread(2));
    EXPECT_FALSE(result.misfit.fails())
        << result.misfit.observedDistance << " " << result.misfit.syntheticDistance;
    EXPECT_TRUE(result.misfit.atPriorEdge.empty());  // latency 0 is the tool's own bound
    EXPECT_EQ(result.figures(Parameter::latency).p50, 0);
    EXPECT_EQ(result.figures(Parameter::recovery).p50, 2);
    std::vector<int> peakDays;
    for (const pandemie::ForecastRun& run : result.matching) {
        peakDays.push_back(run.summary.peakDay);
        EXPECT_EQ(run.summary.final.countSusceptible + run.summary.final.countInfected +
                      run.summary.final.countRecovered,
                  763);
    }
    std::ranges::sort(peakDays);
    EXPECT_GE(peakDays[peakDays.size() / 2], 6);
    EXPECT_LE(peakDays[peakDays.size() / 2], 7);
    // Observations past the last day simulated have no run to be judged by.
    settings.scope.days = 13;
    EXPECT_THROW((void)pandemie::fit(observed, settings, pandemie::threadSpread(1)), std::invalid_argument);
}

}  // namespace
