#include <gtest/gtest.h>

#include "ensemble.h"

using pandemie::EnsembleOptions;
using pandemie::Parameters;

TEST(ensemble, runZeroIsTheSingleRunAndThreadsChangeNothing) {
    const Parameters p{12, 9, 1, 10};
    const auto one = pandemie::runEnsemble(p, EnsembleOptions{1234, 37, 1});
    EXPECT_EQ(one, pandemie::runEnsemble(p, EnsembleOptions{1234, 37, 3}));
    pandemie::Random random(1234);
    EXPECT_EQ(one.front(), pandemie::summarize(1234, pandemie::runTrajectory(p, random)));
    EXPECT_EQ(one[5].seed, 1239U);
}

TEST(ensemble, peakIsTheFirstDayOfTheLargestCount) {
    pandemie::Trajectory t{};
    for (auto& c : t) c = {1000, 0, 0};
    t[9] = {990, 7, 3};
    t[20] = {980, 7, 13};
    t.back() = {900, 1, 99};
    const auto s = pandemie::summarize(5, t);
    EXPECT_EQ(s.peakInfected, 7);
    EXPECT_EQ(s.peakDay, 10);
    EXPECT_EQ(s.final, (pandemie::DailyCounts{900, 1, 99}));
    // Without encounters the three first cases are the peak, on day 1.
    const auto flat = pandemie::runEnsemble({0, 8, 2, 14}, EnsembleOptions{1, 4, 2});
    for (const auto& run : flat) {
        EXPECT_EQ(run.peakInfected, 3);
        EXPECT_EQ(run.peakDay, 1);
    }
}
