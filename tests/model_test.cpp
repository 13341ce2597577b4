#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "model/ensemble.h"
#include "model/model.h"
#include "model/scenario.h"
#include "tests/reference_model.h"

namespace {

using pandemie::DailyCounts;
using pandemie::Parameters;
using pandemie::Random;
using pandemie::Trajectory;

Parameters randomParameters(std::mt19937& pick) {
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(pick); };
    Parameters p;
    p.encountersPerDay = in(0, 20);
    p.infectionPerMille = static_cast<float>(in(0, 20));
    p.latencyDays = in(0, 10);
    p.recoveryDays = static_cast<std::int16_t>(in(8, 24));
    return p;
}

Parameters with(int encounters, int infection, int latency, int recovery) {
    return {encounters, static_cast<float>(infection), latency, static_cast<std::int16_t>(recovery)};
}

void expectFlat(const Trajectory& t, int recoveryDays) {
    for (int day = 1; day <= 180; ++day) {
        const DailyCounts expected = day < recoveryDays ? DailyCounts{997, 3, 0} : DailyCounts{997, 0, 3};
        ASSERT_EQ(t[static_cast<std::size_t>(day - 1)], expected) << "day " << day;
    }
}

}  // namespace

TEST(random, wholeNumberIsRoundHalfEvenOfRTimes1000) {
    // Every one of the 2^24 possible values, against double arithmetic in
    // the default rounding mode.
    std::array<int, 1001> histogram{};
    for (std::uint32_t m = 0; m < (1U << 24U); ++m) {
        const int expected = static_cast<int>(std::nearbyint(static_cast<double>(m) * 0x1p-24 * 1000.0));
        const int got = Random::roundedThousandths(m);
        if (got != expected) FAIL() << "m = " << m << ": " << got << " instead of " << expected;
        ++histogram[static_cast<std::size_t>(got)];
    }
    EXPECT_EQ(Random::roundedThousandths(1U << 20U), 62);   // 62.5 goes down to even
    EXPECT_EQ(Random::roundedThousandths(3U << 20U), 188);  // 187.5 goes up to even
    EXPECT_EQ(Random::roundedThousandths((1U << 24U) - 1), 1000);
    // The ends 0 and 1000 take half the weight of the values in between.
    EXPECT_NEAR(histogram[0] * 2, histogram[500], 2);
    EXPECT_NEAR(histogram[1000] * 2, histogram[500], 2);
}

TEST(random, bulkFillMatchesSingleDrawsAtAnyOffset) {
    // The vector path must hand out exactly the single-draw sequence, whatever
    // part of a round is already used and whatever the count.
    for (int offset = 0; offset < 2 * Random::lanes; ++offset) {
        for (const int count : {0, 1, 3, 4, 5, 17, 256, 1001}) {
            Random bulk(7);
            Random single(7);
            for (int i = 0; i < offset; ++i) {
                (void)bulk.next24();
                (void)single.next24();
            }
            std::vector<std::int16_t> filled(static_cast<std::size_t>(count));
            bulk.fillWholeNumbers(filled.data(), count);
            for (int i = 0; i < count; ++i) {
                ASSERT_EQ(filled[static_cast<std::size_t>(i)], single.wholeNumber0To1000())
                    << "offset " << offset << ", count " << count << ", value " << i;
            }
            ASSERT_TRUE(bulk == single) << "offset " << offset << ", count " << count;
            ASSERT_EQ(bulk.next24(), single.next24());
        }
    }
}

TEST(model, matchesTheLiteralReadingDrawForDraw) {
    std::mt19937 pick(20240601U);
    for (int set = 0; set < 24; ++set) {
        const Parameters p = set == 0 ? Parameters{} : randomParameters(pick);
        Random fast(static_cast<std::uint64_t>(set) * 7919U);
        Random literal = fast;
        for (int run = 0; run < 2; ++run) {  // the second run continues the sequence
            ASSERT_EQ(pandemie::runTrajectory(p, fast), pandemie::reference::run(p, literal))
                << "set " << set << " run " << run << " encounters " << p.encountersPerDay;
            ASSERT_EQ(fast, literal) << "the generator must advance by exactly the draws used";
        }
    }
}

TEST(model, exactTrajectoriesWithoutSpread) {
    Random random(1);
    expectFlat(pandemie::runTrajectory(with(0, 8, 2, 14), random), 14);   // no encounters
    expectFlat(pandemie::runTrajectory(with(20, 20, 10, 8), random), 8);  // latency outlasts illness
    expectFlat(pandemie::runTrajectory(with(20, 0, 0, 24), random), 24);  // no infection chance
    // No encounters draw nothing at all.
    Random untouched(1);
    Random before = untouched;
    (void)pandemie::runTrajectory(with(0, 8, 2, 14), untouched);
    EXPECT_EQ(untouched, before);
}

TEST(model, initialCasesRecoverOnTheirDay) {
    Random random(5);
    pandemie::Epidemic epidemic(Parameters{}, random);
    for (int day = 1; day <= 13; ++day) epidemic.simulateDay(day);
    for (const int k : pandemie::initialCasesOf({}))
        EXPECT_EQ(epidemic.personTable().status[static_cast<std::size_t>(k)], pandemie::infected);
    epidemic.simulateDay(14);
    for (const int k : pandemie::initialCasesOf({}))
        EXPECT_EQ(epidemic.personTable().status[static_cast<std::size_t>(k)], pandemie::recovered);
}

TEST(model, personZeroStaysInfectedAndUncounted) {
    int infectedPersonZero = 0;
    for (std::uint64_t seed = 0; seed < 20; ++seed) {
        Random random(seed);
        pandemie::Epidemic epidemic(Parameters{}, random);
        for (int day = 1; day <= 180; ++day) epidemic.simulateDay(day);
        const auto& table = epidemic.personTable();
        if (table.status[0] == pandemie::notInfected) continue;
        ++infectedPersonZero;
        EXPECT_EQ(table.status[0], pandemie::infected) << "person 0 never recovers";
        int counted = 0;
        for (std::size_t k = 1; k < table.status.size(); ++k)
            counted += table.status[k] == pandemie::infected;
        EXPECT_EQ(epidemic.counts().countInfected, counted);
    }
    EXPECT_GT(infectedPersonZero, 0);
}

TEST(model, firstRunRepeatsAndLaterRunsDiffer) {
    Random first(pandemie::windowSeed);
    Random again(pandemie::windowSeed);
    const Trajectory run1 = pandemie::runTrajectory({}, first);
    EXPECT_EQ(run1, pandemie::runTrajectory({}, again));
    EXPECT_NE(run1, pandemie::runTrajectory({}, first));
}

namespace {

// Days 1..180 stepped one by one, with the changes applied on their days.
Trajectory steppedRun(const Parameters& p, const std::vector<pandemie::ParameterChange>& changes,
                      Random& random) {
    pandemie::Epidemic epidemic(p, random);
    Trajectory t(180);
    for (int day = 1; day <= 180; ++day) {
        for (const auto& change : changes)
            if (change.day == day) epidemic.setParameters(change.parameters);
        epidemic.simulateDay(day);
        t[static_cast<std::size_t>(day - 1)] = epidemic.counts();
    }
    return t;
}

}  // namespace

TEST(model, seededRunsThatStopDrawingMatchTheFullSimulation) {
    std::mt19937 pick(4711U);
    for (int set = 0; set < 120; ++set) {
        const Parameters p = randomParameters(pick);
        std::vector<pandemie::ParameterChange> changes;
        if (set % 2 == 1) {
            for (int day = 1; day <= 180; day += std::uniform_int_distribution<int>(1, 90)(pick))
                changes.push_back({day, randomParameters(pick)});
        }
        const auto seed = static_cast<std::uint64_t>(set) * 104729U;
        Random random(seed);
        ASSERT_EQ(pandemie::runSeeded(p, seed, changes), steppedRun(p, changes, random))
            << "set " << set << ", " << changes.size() << " changes";
    }
}

TEST(ensemble, runZeroIsTheSingleRunAndThreadsChangeNothing) {
    const Parameters p{12, 9, 1, 10};
    const auto perRun = [&p](int threads) {
        std::vector<pandemie::RunSummary> runs;
        static_cast<void>(
            pandemie::runScenarios({{"", p, {}}}, {1234, 37, threads}, pandemie::Detail::summaries, &runs));
        return runs;
    };
    const auto one = perRun(1);
    EXPECT_EQ(one, perRun(3));
    pandemie::Random random(1234);
    EXPECT_EQ(one.front(), pandemie::summarize(1234, pandemie::runTrajectory(p, random)));
    EXPECT_EQ(one[5].seed, 1239U);
}

TEST(ensemble, peakIsTheFirstDayOfTheLargestCount) {
    pandemie::Trajectory t(180);
    for (auto& c : t) c = {1000, 0, 0};
    t[9] = {990, 7, 3};
    t[20] = {980, 7, 13};
    t.back() = {900, 1, 99};
    const auto s = pandemie::summarize(5, t);
    EXPECT_EQ(s.peakInfected, 7);
    EXPECT_EQ(s.peakDay, 10);
    EXPECT_EQ(s.final, (pandemie::DailyCounts{900, 1, 99}));
}

TEST(ensemble, aStopHandsOutNoFurtherRunAndThrowsAfterTheThreadsEnd) {
    std::atomic<bool> stop{false};
    std::atomic<int> started{0};
    const auto count = [&](std::int64_t) { started.fetch_add(1); };
    {
        const pandemie::StopScope scope(stop);
        EXPECT_THROW(pandemie::forEachIndex(1000, 1,
                                            [&](std::int64_t i) {
                                                count(i);
                                                if (i == 10) stop.store(true);
                                            }),
                     pandemie::Stopped);
        EXPECT_EQ(started.load(), 11);
        started.store(0);
        EXPECT_THROW(pandemie::forEachIndex(1000, 3, count), pandemie::Stopped);
        EXPECT_EQ(started.load(), 0);
        stop.store(false);
        pandemie::forEachIndex(50, 2, count);
        EXPECT_EQ(started.load(), 50);
    }
    // Without a scope, the flag of another caller stops nothing.
    stop.store(true);
    started.store(0);
    pandemie::forEachIndex(50, 2, count);
    EXPECT_EQ(started.load(), 50);
}
