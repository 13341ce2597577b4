#include <gtest/gtest.h>

#include "model/scenario.h"

namespace {

using pandemie::Change;
using pandemie::OutcomeStatistics;
using pandemie::Parameter;
using pandemie::Parameters;
using pandemie::Scenario;
using pandemie::ScenarioResults;
using pandemie::seededRun;

void expectSameFigures(const OutcomeStatistics& a, const OutcomeStatistics& b) {
    for (const pandemie::OutcomeInfo& info : pandemie::outcomeTable) {
        const auto& x = a.histogram(info.outcome);
        const auto& y = b.histogram(info.outcome);
        EXPECT_EQ(x.total(), y.total());
        EXPECT_DOUBLE_EQ(x.mean(), y.mean());
        for (const int percent : {1, 10, 50, 90, 100})
            EXPECT_EQ(x.percentile(percent), y.percentile(percent));
    }
    EXPECT_EQ(a.runsWithoutInfected(), b.runsWithoutInfected());
}

TEST(scenario, changesTakeEffectFromTheirDay) {
    const Parameters changed{14, 12, 1, 9};
    const pandemie::Schedule onDayOne{{1, Parameter::encounters, 14},
                                      {1, Parameter::infection, 12},
                                      {1, Parameter::latency, 1},
                                      {1, Parameter::recovery, 9}};
    const pandemie::Schedule sameValues{{40, Parameter::encounters, 10},
                                        {40, Parameter::infection, 8},
                                        {90, Parameter::latency, 2},
                                        {90, Parameter::recovery, 14}};
    for (const std::uint64_t seed : {std::uint64_t{1}, std::uint64_t{77}, pandemie::windowSeed}) {
        EXPECT_EQ(seededRun({}, onDayOne, seed), seededRun(changed, {}, seed));
        pandemie::Random random(seed);
        EXPECT_EQ(seededRun({}, sameValues, seed), pandemie::runTrajectory({}, random));
    }
    // Without encounters from day 40 nobody is infected any more from that day on.
    const auto stopped = seededRun({}, {{40, Parameter::encounters, 0}}, pandemie::windowSeed);
    const auto free = seededRun({}, {}, pandemie::windowSeed);
    EXPECT_EQ(stopped[38], free[38]) << "day 39 is not touched";
    for (std::size_t day = 40; day <= 180; ++day)
        EXPECT_EQ(stopped[day - 1].countSusceptible, stopped[38].countSusceptible);
    EXPECT_LT(free.back().countSusceptible, stopped[38].countSusceptible)
        << "the epidemic went on without the change";
}

TEST(scenario, comparisonsUseCommonSeedsAndMergeAsAWhole) {
    const Scenario first{"a", {}, {{30, Parameter::encounters, 4}}};
    const Scenario twin{"b", first.parameters, first.changes};
    const Scenario other{"c", {14, 8, 2, 14}, {}};
    const ScenarioResults pair =
        runScenarios({first, twin, other}, {9, 24, 2}, pandemie::Detail::bandsAndDifferences);
    const auto& peaks = pair.summaries;
    const auto peak = pandemie::Outcome::peakInfected;
    EXPECT_NEAR(pair.differences.at(1).histogram(peak).mean(),
                peaks[2].histogram(peak).mean() - peaks[0].histogram(peak).mean(), 1e-9);
    for (const pandemie::OutcomeInfo& info : pandemie::outcomeTable) {
        const auto& differences = pair.differences.at(0).histogram(info.outcome);
        EXPECT_EQ(differences.total(), 24);
        EXPECT_EQ(differences.mean(), 0.0);
        EXPECT_EQ(differences.percentile(1), 0);
        EXPECT_EQ(differences.percentile(100), 0);
    }
    EXPECT_EQ(pair.bands[0].courses().p50, pair.bands[1].courses().p50);

    // Runs 0..9 and 10..23 merged give the whole job, whatever the threads.
    ScenarioResults halves = runScenarios({first, twin}, {9, 10, 1}, pandemie::Detail::bandsAndDifferences);
    halves.merge(runScenarios({first, twin}, {19, 14, 3}, pandemie::Detail::bandsAndDifferences));
    expectSameFigures(halves.summaries[1], pair.summaries[1]);
    EXPECT_EQ(halves.bands[1].courses().p90, pair.bands[1].courses().p90);
}

TEST(scenario, aSweepPointIsTheEnsembleOfItsParameters) {
    const Scenario base{"", {10, 8, 3, 14}, {}};
    const auto grid = sweepGrid(base, {{Parameter::encounters, {6, 9}}, {Parameter::recovery, {10, 20}}});
    ASSERT_EQ(grid.size(), 4U);
    EXPECT_EQ(grid[1].name, "encounters=6 recovery=20");
    const ScenarioResults sweep = runScenarios(grid, {500, 30, 2}, pandemie::Detail::summaries);
    EXPECT_TRUE(sweep.bands.empty()) << "a sweep keeps no bands";
    const ScenarioResults ensemble =
        runScenarios({{"", {9, 8, 3, 10}, {}}}, {500, 30, 1}, pandemie::Detail::bandsAndDifferences);
    expectSameFigures(sweep.summaries[2], ensemble.summaries[0]);
    EXPECT_EQ(ensemble.bands[0].runs(), 30);
}

// Few seeds for many threads: the scenarios of a seed are split into blocks
// run apart, each block after the first taking the first scenario's run again.
TEST(scenario, fewSeedsOnManyThreadsGiveTheRunsOfEachSeed) {
    const std::vector<Scenario> scenarios{{"a", {}, {{30, Parameter::encounters, 4}}},
                                          {"b", {14, 8, 2, 14}, {}},
                                          {"c", {}, {{20, Parameter::infection, 3}}},
                                          {"d", {6, 8, 3, 14}, {}},
                                          {"e", {}, {}}};
    std::vector<pandemie::RunSummary> perRun;
    const ScenarioResults few =
        runScenarios(scenarios, {40, 3, 4}, pandemie::Detail::summariesAndDifferences, &perRun);
    EXPECT_TRUE(few.bands.empty());
    ASSERT_EQ(few.differences.size(), 4U);
    ScenarioResults expected(scenarios.size(), pandemie::Detail::summariesAndDifferences);
    for (std::uint64_t seed = 40; seed < 43; ++seed) {
        std::vector<pandemie::RunSummary> ofSeed;
        ofSeed.reserve(scenarios.size());
        for (const Scenario& s : scenarios)
            ofSeed.push_back(pandemie::summarize(seed, seededRun(s.parameters, s.changes, seed)));
        EXPECT_EQ(perRun.at(seed - 40), ofSeed[0]);
        for (std::size_t s = 0; s < scenarios.size(); ++s) expected.summaries[s].add(ofSeed[s]);
        for (std::size_t s = 1; s < scenarios.size(); ++s)
            expected.differences[s - 1].add(ofSeed[s], ofSeed[0]);
    }
    for (std::size_t s = 0; s < scenarios.size(); ++s)
        expectSameFigures(few.summaries[s], expected.summaries[s]);
    for (std::size_t s = 1; s < scenarios.size(); ++s) {
        for (const pandemie::OutcomeInfo& info : pandemie::outcomeTable) {
            const auto& x = few.differences[s - 1].histogram(info.outcome);
            const auto& y = expected.differences[s - 1].histogram(info.outcome);
            EXPECT_EQ(x.mean(), y.mean()) << scenarios[s].name;
            EXPECT_EQ(x.percentile(50), y.percentile(50)) << scenarios[s].name;
        }
    }
}

}  // namespace

namespace {

// A scope unlike the window's in each of N, K and D.
constexpr pandemie::RunScope school{763, 5, 240};

// Every day's counts add up to N, the summaries' figures lie in 0..N and
// 1..D, the bands cover days 1..D, and the bytes do not depend on the threads.
TEST(scenario, runsOfAnotherScopeCountItsPersonsOverItsDays) {
    const Parameters quick{12, 20, 1, 6};
    const pandemie::Trajectory run = seededRun(quick, {{30, Parameter::encounters, 2}}, 5, school);
    ASSERT_EQ(run.size(), 240U);
    for (const pandemie::DailyCounts& day : run)
        EXPECT_EQ(day.countSusceptible + day.countInfected + day.countRecovered, 763);
    EXPECT_GT(run.back().countRecovered, 5) << "the outbreak took off";

    const std::vector<Scenario> scenarios{{"a", quick, {}}, {"b", quick, {{20, Parameter::encounters, 0}}}};
    std::vector<ScenarioResults> byThreads;
    for (const int threads : {1, 3})
        byThreads.push_back(
            runScenarios(scenarios, {9, 40, threads, school}, pandemie::Detail::bandsAndDifferences));
    for (std::size_t s = 0; s < scenarios.size(); ++s) {
        expectSameFigures(byThreads[0].summaries[s], byThreads[1].summaries[s]);
        const OutcomeStatistics& figures = byThreads[0].summaries[s];
        EXPECT_EQ(figures.scope(), school);
        EXPECT_LE(figures.histogram(pandemie::Outcome::peakInfected).percentile(100), 763);
        EXPECT_GT(figures.histogram(pandemie::Outcome::finalRecovered).percentile(90), 180);
        EXPECT_LE(figures.histogram(pandemie::Outcome::peakDay).percentile(100), 240);
        const pandemie::BandStatistics& bands = byThreads[0].bands[s];
        EXPECT_EQ(bands.days(), 240);
        EXPECT_EQ(bands.courses().p50.size(), 240U);
        EXPECT_EQ(bands.day(240, pandemie::Series::recovered).mean(),
                  byThreads[1].bands[s].day(240, pandemie::Series::recovered).mean());
    }
    // Differences run over -N..N: stopping all encounters on day 20 saves persons.
    EXPECT_LT(byThreads[0].differences[0].histogram(pandemie::Outcome::finalRecovered).percentile(50), -150);
    // A continued run is the same run in the scope given.
    const ScenarioResults continued = continueScenarios(scenarios, {{9, quick}}, 1, nullptr, nullptr, school);
    EXPECT_EQ(continued.bands[0].day(240, pandemie::Series::recovered).mean(),
              pandemie::bandUnits(seededRun(quick, {}, 9, school).back().countRecovered, 763));
}

}  // namespace
