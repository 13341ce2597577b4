#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <ranges>
#include <stdexcept>
#include <vector>

#include "model/band_stats.h"

namespace {

using pandemie::BandStatistics;
using pandemie::CounterTransfer;
using pandemie::CountHistogram;

// Nearest-rank percentiles and the mean straight from the values.
void expectFiguresOf(const CountHistogram& histogram, std::vector<int> values, int minValue, int maxValue) {
    std::ranges::sort(values);
    const auto total = static_cast<std::int64_t>(values.size());
    ASSERT_EQ(histogram.total(), total);
    // The mean above minValue, then minValue added: the files' figures to the last digit.
    const double above =
        std::accumulate(values.begin(), values.end(), 0.0) - minValue * static_cast<double>(total);
    EXPECT_EQ(histogram.mean(), (total == 0 ? 0.0 : above / static_cast<double>(total)) + minValue);
    for (const int percent : {0, 1, 10, 49, 50, 51, 90, 99, 100}) {
        const std::int64_t rank = std::max<std::int64_t>(1, (percent * total + 99) / 100);
        const int expected = total == 0 ? minValue : values[static_cast<std::size_t>(rank - 1)];
        EXPECT_EQ(histogram.percentile(percent), expected) << percent << "% of " << total;
    }
    EXPECT_LE(histogram.percentile(100), maxValue);
}

[[nodiscard]] std::vector<std::uint64_t> countersOf(CountHistogram& histogram) {
    CounterTransfer transfer;
    histogram.transferCounters(transfer);
    return transfer.values();
}

// Values of either form (fewer than the range's places, or more) and both
// forms merged in every order give the figures of the values themselves;
// the counters passed on are a count per value whatever the form, and their
// element-wise sum written back is the merge.
TEST(countHistogram, bothFormsGiveTheFiguresOfTheirValues) {
    struct Case {
        int minValue;
        int maxValue;
        int spread;  // values drawn from minValue..minValue+spread-1
        std::size_t count;
        std::size_t split;  // the first `split` values in one histogram, the rest in another
    };
    const std::vector<Case> cases{
        {0, 1000, 1001, 0, 0},      {0, 1000, 1001, 1, 0},         {0, 1000, 7, 12, 5},
        {0, 1000, 1001, 1000, 400}, {0, 1000, 1001, 1001, 1},      {0, 1000, 3, 1002, 1001},
        {0, 1000, 1001, 3003, 40},  {-1000, 1000, 2001, 900, 899}, {-1000, 1000, 50, 2500, 1200},
        {0, 180, 181, 181, 90},     {0, 180, 181, 182, 181},       {5, 5, 1, 3, 1},
    };
    std::mt19937 random(2024);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.minValue << ".." << c.maxValue << ", " << c.count << " values");
        std::vector<int> values;
        for (std::size_t i = 0; i < c.count; ++i)
            values.push_back(c.minValue + static_cast<int>(random() % static_cast<unsigned>(c.spread)));
        CountHistogram first(c.minValue, c.maxValue);
        CountHistogram second(c.minValue, c.maxValue);
        for (std::size_t i = 0; i < c.count; ++i) (i < c.split ? first : second).add(values[i]);
        CountHistogram whole(c.minValue, c.maxValue);
        const std::vector<int> reversed(values.rbegin(), values.rend());
        for (const int value : reversed) whole.add(value);
        expectFiguresOf(whole, values, c.minValue, c.maxValue);
        for (const bool firstInto : {true, false}) {
            CountHistogram merged = firstInto ? first : second;
            merged.merge(firstInto ? second : first);
            expectFiguresOf(merged, values, c.minValue, c.maxValue);
        }

        std::vector<std::uint64_t> sums = countersOf(first);
        ASSERT_EQ(sums.size(), static_cast<std::size_t>(c.maxValue - c.minValue) + 3);
        const std::vector<std::uint64_t> theirs = countersOf(second);
        for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += theirs[i];
        EXPECT_EQ(sums, countersOf(whole));
        CountHistogram received(c.minValue, c.maxValue);
        CounterTransfer total(sums);
        received.transferCounters(total);
        expectFiguresOf(received, values, c.minValue, c.maxValue);
        EXPECT_EQ(countersOf(received), sums);
    }
}

[[nodiscard]] pandemie::Trajectory randomTrajectory(std::mt19937& random) {
    pandemie::Trajectory trajectory(180);
    for (pandemie::DailyCounts& counts : trajectory) {
        // Narrow spreads on some days give repeated values.
        counts.countSusceptible = static_cast<int>(random() % 1001);
        counts.countInfected = static_cast<int>(random() % 13);
        counts.countRecovered = 1000 - static_cast<int>(random() % 3);
    }
    return trajectory;
}

void expectSameBands(const BandStatistics& a, const BandStatistics& b) {
    ASSERT_EQ(a.runs(), b.runs());
    const pandemie::PercentileCourses x = a.courses();
    const pandemie::PercentileCourses y = b.courses();
    EXPECT_EQ(x.p10, y.p10);
    EXPECT_EQ(x.p50, y.p50);
    EXPECT_EQ(x.p90, y.p90);
    for (const int day : {1, 90, 180})
        EXPECT_EQ(a.day(day, pandemie::Series::infected).mean(),
                  b.day(day, pandemie::Series::infected).mean());
}

// Bands keep each run's counts up to 2,001 runs, histograms from 2,002 on:
// split at any point and merged in either order, or summed as counters, the
// bands are those of all runs added to one.
TEST(bandStatistics, runsKeptAsCountsOrHistogramsGiveTheSameBands) {
    std::mt19937 random(7);
    std::vector<pandemie::Trajectory> runs;
    runs.reserve(2100);
    for (int run = 0; run < 2100; ++run) runs.push_back(randomTrajectory(random));
    for (const auto& [count, split] : std::vector<std::pair<std::size_t, std::size_t>>{
             {1, 0}, {3, 1}, {2001, 1000}, {2002, 2001}, {2100, 50}, {2100, 1100}}) {
        SCOPED_TRACE(testing::Message() << count << " runs split at " << split);
        BandStatistics whole;
        BandStatistics first;
        BandStatistics second;
        for (std::size_t run = 0; run < count; ++run) {
            whole.add(runs[run]);
            (run < split ? first : second).add(runs[run]);
        }
        EXPECT_EQ(whole.runs(), static_cast<std::int64_t>(count));
        for (const int day : {1, 77, 180}) {
            std::vector<int> values;
            for (std::size_t run = 0; run < count; ++run)
                values.push_back(runs[run][static_cast<std::size_t>(day - 1)].countSusceptible);
            expectFiguresOf(whole.day(day, pandemie::Series::notInfected), values, 0, 1000);
        }
        for (const bool firstInto : {true, false}) {
            BandStatistics merged = firstInto ? first : second;
            merged.merge(firstInto ? second : first);
            expectSameBands(merged, whole);
        }

        CounterTransfer collected;
        first.transferCounters(collected);
        CounterTransfer others;
        second.transferCounters(others);
        ASSERT_EQ(collected.values().size(), 540U * 1003U);
        for (std::size_t i = 0; i < collected.values().size(); ++i)
            collected.values()[i] += others.values()[i];
        BandStatistics received;
        CounterTransfer sums(collected.values());
        received.transferCounters(sums);
        expectSameBands(received, whole);
        // Passing its counters on leaves the first's bands as they were.
        BandStatistics unchanged;
        for (std::size_t run = 0; run < split; ++run) unchanged.add(runs[run]);
        expectSameBands(first, unchanged);
    }
}

}  // namespace

namespace {

// Band units are per mille of N, rounded half to even, and a count itself
// for N = 1000; a band statistics of D days keeps 3 x D histograms of them.
TEST(bandStatistics, countsOfAnyPopulationAreKeptInBandUnits) {
    using pandemie::bandUnits;
    EXPECT_EQ(bandUnits(437, 1000), 437);
    EXPECT_EQ(bandUnits(1, 2000), 0);  // 0.5: to the even 0
    EXPECT_EQ(bandUnits(3, 2000), 2);  // 1.5: to the even 2
    EXPECT_EQ(bandUnits(5, 2000), 2);  // 2.5: to the even 2
    EXPECT_EQ(bandUnits(1, 763), 1);   // 1.31
    EXPECT_EQ(bandUnits(762, 763), 999);
    EXPECT_EQ(bandUnits(10'000'000, 10'000'000), 1000);
    EXPECT_EQ(bandUnits(9'999'499, 10'000'000), 1000);  // 999.9499

    const pandemie::RunScope scope{2000, 3, 200};
    BandStatistics bands(scope);
    pandemie::Trajectory run(200, pandemie::DailyCounts{1997, 3, 0});
    run.back() = {1, 5, 1994};
    bands.add(run);
    bands.add(run);
    EXPECT_EQ(bands.runs(), 2);
    EXPECT_EQ(bands.day(200, pandemie::Series::recovered).percentile(50), 997);
    EXPECT_EQ(bands.day(200, pandemie::Series::infected).percentile(50), 2);
    EXPECT_EQ(bands.day(1, pandemie::Series::notInfected).percentile(50), 998);  // 998.5 to even
    EXPECT_EQ(bands.courses().p90.size(), 200U);
    CounterTransfer counters;
    bands.transferCounters(counters);
    EXPECT_EQ(counters.values().size(), 600U * 1003U);
    EXPECT_EQ(bands.day(200, pandemie::Series::recovered).percentile(50), 997);
    EXPECT_THROW(static_cast<void>(bands.day(201, pandemie::Series::recovered)), std::out_of_range);

    // Outcomes run 0..N and 1..D, differences -N..N.
    pandemie::OutcomeStatistics figures(scope);
    figures.add({1, 2000, 200, {0, 0, 2000}});
    EXPECT_EQ(figures.histogram(pandemie::Outcome::peakInfected).percentile(100), 2000);
    EXPECT_EQ(figures.histogram(pandemie::Outcome::peakDay).percentile(100), 200);
    CounterTransfer outcomes;
    figures.transferCounters(outcomes);
    EXPECT_EQ(outcomes.values().size(), (2001U + 2) + (201U + 2) + (2001U + 2) + 1);
}

}  // namespace
