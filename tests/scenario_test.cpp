#include <gtest/gtest.h>

#include "model/scenario.h"

namespace {

using pandemie::Change;
using pandemie::Parameter;
using pandemie::Parameters;
using pandemie::Scenario;
using pandemie::ScenarioResults;
using pandemie::seededRun;
using pandemie::SummaryStatistics;

void expectSameFigures(const pandemie::OutcomeHistograms& a, const pandemie::OutcomeHistograms& b) {
    for (const pandemie::Outcome outcome : pandemie::allOutcomes) {
        const auto& x = outcomeHistogram(a, outcome);
        const auto& y = outcomeHistogram(b, outcome);
        EXPECT_EQ(x.total(), y.total());
        EXPECT_DOUBLE_EQ(x.mean(), y.mean());
        for (const int percent : {1, 10, 50, 90, 100})
            EXPECT_EQ(x.percentile(percent), y.percentile(percent));
    }
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
    Scenario first{"a", {}, {{30, Parameter::encounters, 4}}};
    Scenario twin = first;
    twin.name = "b";
    const Scenario other{"c", {14, 8, 2, 14}, {}};
    const ScenarioResults pair =
        runScenarios({first, twin, other}, {9, 24, 2}, pandemie::Detail::bandsAndDifferences);
    const auto& peaks = pair.summaries;
    EXPECT_NEAR(pair.differences.at(1).differences().peakInfected.mean(),
                peaks[2].outcomes().peakInfected.mean() - peaks[0].outcomes().peakInfected.mean(), 1e-9);
    for (const pandemie::Outcome outcome : pandemie::allOutcomes) {
        const auto& differences = outcomeHistogram(pair.differences.at(0).differences(), outcome);
        EXPECT_EQ(differences.total(), 24);
        EXPECT_EQ(differences.mean(), 0.0);
        EXPECT_EQ(differences.percentile(1), 0);
        EXPECT_EQ(differences.percentile(100), 0);
    }
    EXPECT_EQ(pair.ensembles[0].courses().p50, pair.ensembles[1].courses().p50);

    // Runs 0..9 and 10..23 merged give the whole job, whatever the threads.
    ScenarioResults halves = runScenarios({first, twin}, {9, 10, 1}, pandemie::Detail::bandsAndDifferences);
    halves.merge(runScenarios({first, twin}, {19, 14, 3}, pandemie::Detail::bandsAndDifferences));
    expectSameFigures(halves.summaries[1].outcomes(), pair.summaries[1].outcomes());
    EXPECT_EQ(halves.ensembles[1].courses().p90, pair.ensembles[1].courses().p90);
    EXPECT_EQ(halves.summaries[1].runsWithoutInfected(), pair.summaries[1].runsWithoutInfected());
}

TEST(scenario, aSweepPointIsThePlainEnsemble) {
    const Scenario base{"", {10, 8, 3, 14}, {}};
    const auto grid = sweepGrid(base, {{Parameter::encounters, {6, 9}}, {Parameter::recovery, {10, 20}}});
    ASSERT_EQ(grid.size(), 4U);
    EXPECT_EQ(grid[1].name, "encounters=6 recovery=20");
    const ScenarioResults sweep = runScenarios(grid, {500, 30, 2}, pandemie::Detail::summaries);
    EXPECT_TRUE(sweep.ensembles.empty()) << "a sweep keeps no bands";
    SummaryStatistics plain;
    for (const auto& run : pandemie::runEnsemble({9, 8, 3, 10}, {500, 30, 1})) plain.add(run);
    expectSameFigures(sweep.summaries[2].outcomes(), plain.outcomes());
    EXPECT_EQ(sweep.summaries[2].runsWithoutInfected(), plain.runsWithoutInfected());
}

}  // namespace
