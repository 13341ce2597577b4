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

// Anywhere in the tool's ranges.
Parameters toolParameters(std::mt19937& pick) {
    auto in = [&](pandemie::Parameter parameter) {
        const auto range = pandemie::toolRange(parameter);
        return std::uniform_int_distribution<int>(range.min, range.max)(pick);
    };
    Parameters p;
    p.encountersPerDay = in(pandemie::Parameter::encounters);
    p.infectionPerMille = static_cast<float>(in(pandemie::Parameter::infection));
    p.latencyDays = in(pandemie::Parameter::latency);
    p.recoveryDays = static_cast<std::int16_t>(in(pandemie::Parameter::recovery));
    return p;
}

Parameters with(int encounters, int infection, int latency, int recovery) {
    return {encounters, static_cast<float>(infection), latency, static_cast<std::int16_t>(recovery)};
}

// The first cases stay the only ones: infected until their recovery day.
void expectFlat(const Trajectory& t, int recoveryDays, const pandemie::RunScope& scope = {}) {
    ASSERT_EQ(std::ssize(t), scope.days);
    const int n = scope.persons;
    const int k = scope.initialCases;
    for (int day = 1; day <= scope.days; ++day) {
        const DailyCounts expected = day < recoveryDays ? DailyCounts{n - k, k, 0} : DailyCounts{n - k, 0, k};
        ASSERT_EQ(t[static_cast<std::size_t>(day - 1)], expected) << "day " << day;
    }
}

// The generator read one value at a time, as r = m / 2^24 or, for persons
// past 2^20, r = x / 2^32.
struct LiteralDraws {
    Random& random;
    double unit() { return static_cast<double>(random.next24()) * 0x1p-24; }
    double unit32() { return static_cast<double>(random.next32()) * 0x1p-32; }
};

Trajectory literalRun(const Parameters& p, Random& random, const pandemie::RunScope& scope = {}) {
    LiteralDraws draws{random};
    return pandemie::reference::run(p, draws, scope);
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
        if (Random::roundedPersons(m, 1000) != got) FAIL() << "m = " << m << ": persons of 1000 differ";
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

TEST(random, personsAreRoundHalfEvenOfRTimesN) {
    // Every 24-bit value, at populations of the 32-bit path (multiples of 8
    // below 2048) and of the 64-bit one, up to the largest.
    for (const std::uint32_t n : {10U, 37U, 1000U, 2040U, 2048U, 100'000U, 10'000'000U}) {
        for (std::uint32_t m = 0; m < (1U << 24U); ++m) {
            const auto expected =
                static_cast<std::int32_t>(std::nearbyint(static_cast<double>(m) * 0x1p-24 * n));
            if (Random::roundedPersons(m, n) != expected) FAIL() << "N = " << n << ", m = " << m;
        }
    }
    // Past 2^20 persons all 32 bits: 2^22 persons make a tie of every 1024th
    // value. Values around those ties over the whole range, exact in long double.
    for (const std::uint32_t n : {(1U << 20U) + 1U, 1U << 22U, 10'000'000U}) {
        for (std::uint32_t k = 0; k < (1U << 22U); k += 97) {
            for (const std::uint32_t offset : {0U, 511U, 512U, 513U, 1023U}) {
                const std::uint32_t x = k * 1024 + offset;
                const auto expected = static_cast<std::int32_t>(std::nearbyintl(x * 0x1p-32L * n));
                if (Random::personOf(x, n) != expected) FAIL() << "N = " << n << ", x = " << x;
            }
        }
        EXPECT_EQ(Random::personOf(0xFFFF'FFFFU, n), static_cast<std::int32_t>(n));
    }
    EXPECT_EQ(Random::personOf(5U << 8U, 1000), Random::roundedPersons(5, 1000)) << "24 bits up to 2^20";
}

TEST(random, drawFillMatchesSingleDrawsForAnyPopulation) {
    // 1024 and 2^22 persons make ties of the rounding common (one value in
    // 2^14 and one in 4), on the 32-bit and the 64-bit path.
    const int threshold = 8;
    for (const std::uint32_t n : {8U, 37U, 1000U, 1024U, 2040U, 2048U, 100'000U, 1U << 22U, 10'000'000U}) {
        const Random::DrawScale scale{n, Random::lowestValueReaching(threshold)};
        for (int offset = 0; offset < Random::lanes; ++offset) {
            for (const int count : {0, 1, 5, 8, 17, 256, 1001, 1 << 17}) {
                Random bulk(static_cast<std::uint64_t>(n) + 3);
                Random single = bulk;
                for (int i = 0; i < offset; ++i) {
                    (void)bulk.next24();
                    (void)single.next24();
                }
                std::vector<std::int32_t> persons(static_cast<std::size_t>(count));
                std::vector<std::uint8_t> low(static_cast<std::size_t>(count));
                bulk.fillDraws(persons.data(), low.data(), count, scale);
                for (std::size_t i = 0; i < persons.size(); ++i) {
                    const std::uint32_t x = single.next32();
                    const std::uint32_t m = x >> 8U;
                    const std::int32_t person =
                        n > (1U << 20U) ? Random::roundedPersons32(x, n) : Random::roundedPersons(m, n);
                    ASSERT_EQ(persons[i], person) << "N " << n << ", count " << count;
                    ASSERT_EQ(low[i] != 0, Random::roundedThousandths(m) < threshold) << "N " << n;
                }
                ASSERT_TRUE(bulk == single) << "N " << n << ", offset " << offset << ", count " << count;
            }
        }
    }
}

TEST(model, initialCasesFollowTheirRule) {
    EXPECT_EQ(pandemie::initialCasesOf({}), (std::vector<int>{300, 500, 700}));
    EXPECT_EQ(pandemie::initialCasesOf({1000, 1}), std::vector<int>{500});
    EXPECT_EQ(pandemie::initialCasesOf({10, 3}), (std::vector<int>{3, 5, 7}));
    for (const int n : {10, 11, 37, 250, 1000, 4001, 10'000'000}) {
        for (const int k : {1, 2, 3, 7, 100, pandemie::mostInitialCases(n)}) {
            const pandemie::RunScope scope{n, k};
            if (!pandemie::isValidScope(scope)) continue;
            const std::vector<int> cases = pandemie::initialCasesOf(scope);
            ASSERT_EQ(std::ssize(cases), k);
            // Inside 1..N, at least two apart, gaps differing by at most one,
            // and placed alike from both ends.
            EXPECT_GE(cases.front(), 1) << n << " " << k;
            EXPECT_LE(cases.back(), n) << n << " " << k;
            const int gap = cases.size() > 1 ? cases[1] - cases[0] : 2;
            for (std::size_t i = 0; i < cases.size(); ++i) {
                if (i > 0) {
                    EXPECT_GE(cases[i] - cases[i - 1], 2) << n << " " << k;
                    EXPECT_LE(std::abs(cases[i] - cases[i - 1] - gap), 1) << n << " " << k;
                }
                EXPECT_LE(std::abs(cases[i] + cases[cases.size() - 1 - i] - n), 1) << n << " " << k;
            }
        }
    }
    EXPECT_FALSE(pandemie::isValidScope({1000, pandemie::mostInitialCases(1000) + 1}));
}

TEST(model, matchesTheLiteralReadingDrawForDraw) {
    std::mt19937 pick(20240601U);
    for (int set = 0; set < 24; ++set) {
        const Parameters p = set == 0 ? Parameters{} : randomParameters(pick);
        Random fast(static_cast<std::uint64_t>(set) * 7919U);
        Random literal = fast;
        for (int run = 0; run < 2; ++run) {  // the second run continues the sequence
            ASSERT_EQ(pandemie::runTrajectory(p, fast), literalRun(p, literal))
                << "set " << set << " run " << run << " encounters " << p.encountersPerDay;
            ASSERT_EQ(fast, literal) << "the generator must advance by exactly the draws used";
        }
    }
}

TEST(model, matchesTheLiteralReadingAtAnyScope) {
    // Populations on both paths of the draws, several first cases, days
    // beyond 180, and parameters from the tool's ranges.
    const std::array<pandemie::RunScope, 6> scopes{
        {{10, 1, 400}, {37, 2, 200}, {250, 5, 300}, {1000, 7, 180}, {2048, 3, 120}, {4000, 40, 90}}};
    std::mt19937 pick(29U);
    for (const auto& scope : scopes) {
        for (int set = 0; set < 4; ++set) {
            Parameters p = toolParameters(pick);
            if (set == 0) p = Parameters{};
            Random fast(static_cast<std::uint64_t>(scope.persons) * 31U + static_cast<std::uint64_t>(set));
            Random literal = fast;
            ASSERT_EQ(pandemie::runTrajectory(p, fast, scope), literalRun(p, literal, scope))
                << "N " << scope.persons << ", set " << set << ", encounters " << p.encountersPerDay
                << ", infection " << p.infectionPerMille;
            ASSERT_EQ(fast, literal);
            const auto seed = static_cast<std::uint64_t>(set) + 17U;
            Random seeded(seed);
            ASSERT_EQ(pandemie::runSeeded(p, seed, {}, scope), pandemie::runTrajectory(p, seeded, scope));
        }
    }
    // A population whose statuses the walk looks up four a byte, a few
    // days of many infections.
    const pandemie::RunScope large{131'071, 500, 8};
    Random fast(3);
    Random literal = fast;
    EXPECT_EQ(pandemie::runTrajectory(with(10, 300, 0, 3), fast, large),
              literalRun(with(10, 300, 0, 3), literal, large));
}

TEST(model, exactTrajectoriesWithoutSpread) {
    Random random(1);
    expectFlat(pandemie::runTrajectory(with(0, 8, 2, 14), random), 14);   // no encounters
    expectFlat(pandemie::runTrajectory(with(20, 20, 10, 8), random), 8);  // latency outlasts illness
    expectFlat(pandemie::runTrajectory(with(20, 0, 0, 24), random), 24);  // no infection chance
    // At the ends of the tool's ranges: infectious only after the recovery.
    for (const pandemie::RunScope scope :
         {pandemie::RunScope{1000, 3, 300}, pandemie::RunScope{5000, 12, 200}})
        expectFlat(pandemie::runTrajectory(with(100, 1000, 60, 60), random, scope), 60, scope);
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

namespace {

// The expected course of a large population, day by day: each encounter
// meets a given person as either of its two draws with chance 1/N each, so
// a susceptible escapes a day of E x N encounters, I of them infectious
// (past the latency, not recovered), with chance (1 - 2 q I / N^2)^(E N),
// q the chance of an infection draw below the threshold.
std::vector<DailyCounts> expectedCourse(const Parameters& p, const pandemie::RunScope& scope) {
    const double n = scope.persons;
    const double q = (std::ceil(p.infectionPerMille) - 0.5) / 1000.0;
    std::vector<double> newlyInfected(static_cast<std::size_t>(scope.days) + 1);
    newlyInfected[0] = scope.initialCases;
    double susceptible = n - scope.initialCases;
    std::vector<DailyCounts> course;
    for (int day = 1; day <= scope.days; ++day) {
        double infectious = 0;
        for (int j = std::max(0, day - p.recoveryDays); j < day - p.latencyDays; ++j)
            infectious += newlyInfected[static_cast<std::size_t>(j)];
        const double escape = std::pow(1 - 2 * q * infectious / (n * n), p.encountersPerDay * n);
        newlyInfected[static_cast<std::size_t>(day)] = susceptible * (1 - escape);
        susceptible -= newlyInfected[static_cast<std::size_t>(day)];
        double infected = 0;
        for (int j = std::max(0, day - p.recoveryDays + 1); j <= day; ++j)
            infected += newlyInfected[static_cast<std::size_t>(j)];
        course.push_back({static_cast<int>(std::lround(susceptible)), static_cast<int>(std::lround(infected)),
                          static_cast<int>(std::lround(n - susceptible - infected))});
    }
    return course;
}

}  // namespace

TEST(model, aLargePopulationFollowsTheExpectedCourse) {
    // 100,000 persons, 1000 of them infected first, over the rise, peak and
    // fall: the runs' mean lies within a few standard errors (and a small
    // allowance for the expected course being a mean of rates) of the
    // expected course, and chance spreads the runs by about a percent of N.
    const pandemie::RunScope scope{100'000, 1000, 40};
    const Parameters p = with(10, 20, 2, 8);
    const std::vector<DailyCounts> expected = expectedCourse(p, scope);
    constexpr int seeds = 6;
    std::vector<Trajectory> runs;
    for (std::uint64_t seed = 0; seed < seeds; ++seed)
        runs.push_back(pandemie::runSeeded(p, 100 + seed, {}, scope));
    for (const int day : {5, 10, 20, 25, 30, 40}) {
        for (const pandemie::SeriesField& field : pandemie::seriesFields) {
            double sum = 0;
            double squares = 0;
            for (const Trajectory& t : runs) {
                const double count = t[static_cast<std::size_t>(day - 1)].*field.count;
                sum += count;
                squares += count * count;
            }
            const double mean = sum / seeds;
            const double spread = std::sqrt((squares - sum * mean) / (seeds - 1));
            const double wanted = expected[static_cast<std::size_t>(day - 1)].*field.count;
            EXPECT_NEAR(mean, wanted, 4 * spread / std::sqrt(seeds) + 0.003 * scope.persons)
                << field.name << " on day " << day;
            if (day >= 20) {  // before, the first cases alone have recovered
                EXPECT_GT(spread, 0.001 * scope.persons) << field.name << " on day " << day;
                EXPECT_LT(spread, 0.03 * scope.persons) << field.name << " on day " << day;
            }
        }
    }
}
