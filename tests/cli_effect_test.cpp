// What --change and --measure do to the tool's outputs, the one-way sweep
// image, and the arithmetic by which the processes of an MPI job share runs
// and sum their statistics.
#include <gtest/gtest.h>
#include <algorithm>

#include <QImage>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "chart/plot_frame.h"
#include "chart/sweep_image.h"
#include "cli/cluster_arithmetic.h"
#include "model/parameters.h"
#include "model/scenario.h"
#include "output/scenario_exports.h"
#include "tests/cli_process.h"

namespace {

using cli_process::lines;
using cli_process::Outcome;
using cli_process::runCli;
using cli_process::ScratchDirectory;

[[nodiscard]] std::string outputOf(const std::vector<std::string>& args) {
    const Outcome run = runCli(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
}

[[nodiscard]] int notInfectedOn(const std::vector<std::string>& rows, int day) {
    int number = 0;
    int count = -1;
    EXPECT_EQ(std::sscanf(rows.at(static_cast<std::size_t>(day)).c_str(), "%d,%d", &number, &count), 2);
    return count;
}

TEST(cliChange, singleRunChangesFromItsDay) {
    // Without encounters from day 40 on, nobody is infected any more from that day.
    const auto free = lines(outputOf({}));
    const auto stopped = lines(outputOf({"--change", "40:encounters=0"}));
    ASSERT_EQ(stopped.size(), 181U);
    EXPECT_EQ(std::vector(stopped.begin(), stopped.begin() + 40),
              std::vector(free.begin(), free.begin() + 40));
    EXPECT_EQ(notInfectedOn(stopped, 180), notInfectedOn(stopped, 39));
    EXPECT_LT(notInfectedOn(free, 180), notInfectedOn(free, 39));
}

TEST(cliChange, ensembleRunsWithTheChange) {
    // A change on day 1 is the same as the parameter given from the start.
    const std::vector<std::string> ensemble{"--runs", "20", "--summary", "-", "--quiet"};
    auto changed = ensemble;
    changed.insert(changed.end(), {"--change", "1:encounters=3,latency=0"});
    auto given = ensemble;
    given.insert(given.end(), {"--encounters", "3", "--latency", "0"});
    EXPECT_EQ(outputOf(changed), outputOf(given));
    EXPECT_NE(outputOf(changed), outputOf(ensemble));
}

// A sweep with --measure: its image and the p50 of the measure at each point, from its table.
struct Sweep {
    QImage image;
    std::vector<double> medians;  // on the image's axis
};

[[nodiscard]] Sweep sweepOf(std::vector<std::string> args, pandemie::Outcome measure) {
    const ScratchDirectory dir;
    args.insert(args.end(),
                {"--runs", "4", "--measure", std::string(pandemie::infoOf(measure).name), "--output",
                 (dir / "sweep.csv").string(), "--png", (dir / "sweep.png").string()});
    const Outcome run = runCli(args);
    EXPECT_EQ(run.status, 0) << run.err;
    Sweep sweep{
        QImage(QString::fromStdString((dir / "sweep.png").string())).convertToFormat(QImage::Format_RGB32),
        {}};
    const auto rows = lines(scratch::readFile(dir / "sweep.csv"));
    const std::string column = std::string(pandemie::infoOf(measure).name) + "_p50";
    const std::string& header = rows.at(0);
    const auto commasBefore =
        std::count(header.begin(), header.begin() + static_cast<long>(header.find(column)), ',');
    for (std::size_t r = 1; r < rows.size(); ++r) {
        std::size_t at = 0;
        for (long c = 0; c < commasBefore; ++c) at = rows[r].find(',', at) + 1;
        sweep.medians.push_back(chart::outcomeOnAxis(measure, std::stod(rows[r].substr(at))));
    }
    return sweep;
}

TEST(cliMeasure, oneWaySweepImageDrawsTheMeasuresMedians) {
    // The plot area is (60, 60)-(783, 560): value v of 0..20 at x = 80 + 683 v / 20,
    // the measure's axis from 0 at y 560 to its top at y 60.
    const QColor line(0, 60, 200);
    for (const pandemie::OutcomeInfo& info : pandemie::outcomeTable) {
        const pandemie::Outcome measure = info.outcome;
        SCOPED_TRACE(std::string(info.name));
        const Sweep sweep = sweepOf({"--sweep", "encounters=0,10,20"}, measure);
        ASSERT_EQ(sweep.medians.size(), 3U);
        const auto yOf = [&](double median) {
            return static_cast<int>(std::lround(560 - 500 * median / chart::outcomeAxisTop(measure)));
        };
        for (std::size_t i = 0; i < 3; ++i) {
            const int x = static_cast<int>(std::lround(80 + 683.0 * static_cast<double>(i) / 2));
            EXPECT_EQ(sweep.image.pixelColor(x, yOf(sweep.medians[i])), line) << "point " << i;
            // Nothing of the line far above or below its point.
            for (const int off : {-40, 40}) {
                const int y = yOf(sweep.medians[i]) + off;
                if (y > 60 && y < 560) {
                    EXPECT_NE(sweep.image.pixelColor(x, y), line) << "point " << i << ", " << off;
                }
            }
        }
        const int midX = static_cast<int>(std::lround(80 + 683.0 / 4));
        EXPECT_EQ(sweep.image.pixelColor(midX, yOf((sweep.medians[0] + sweep.medians[1]) / 2)), line);
    }
}

TEST(cliMeasure, heatMapCellsShowTheMeasure) {
    // Cells of a 2 x 2 grid: centres at x 212 and 497, y 412 and 177.
    for (const pandemie::Outcome measure : {pandemie::Outcome::peakDay, pandemie::Outcome::peakInfected}) {
        SCOPED_TRACE(std::string(pandemie::infoOf(measure).name));
        const Sweep sweep = sweepOf({"--sweep", "encounters=0,20", "--sweep", "infection=0,20"}, measure);
        ASSERT_EQ(sweep.medians.size(), 4U);
        const QPoint centres[] = {{212, 412}, {212, 177}, {497, 412}, {497, 177}};
        const auto [least, greatest] = std::minmax_element(sweep.medians.begin(), sweep.medians.end());
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(sweep.image.pixelColor(centres[i]),
                      chart::viridis(static_cast<double>(sweep.medians[i] - *least) / (*greatest - *least)))
                << "cell " << i;
    }
}

TEST(clusterArithmetic, sharesOfRunsAreContiguousAndEven) {
    for (const std::int64_t runs : {0, 1, 5, 12, 1001}) {
        for (const int size : {1, 2, 3, 7}) {
            std::int64_t next = 0;
            for (int rank = 0; rank < size; ++rank) {
                const pandemie::cli::RunShare share = pandemie::cli::shareOfRuns(runs, rank, size);
                EXPECT_EQ(share.first, next) << runs << " runs, rank " << rank << " of " << size;
                EXPECT_EQ(share.count, runs / size + (rank < runs % size ? 1 : 0))
                    << runs << " runs, rank " << rank << " of " << size;
                next += share.count;
            }
            EXPECT_EQ(next, runs);
        }
    }
}

TEST(clusterArithmetic, summedCountersOfTwoProcessesAreTheWholeJob) {
    using pandemie::Detail;
    const std::vector<pandemie::Scenario> scenarios{
        {"a", {}, {}}, {"b", {}, {{30, pandemie::Parameter::encounters, 4}}}, {"c", {14, 8, 2, 14}, {}}};
    const auto resultsOf = [&](std::uint64_t seed, std::int64_t runs) {
        return pandemie::runScenarios(scenarios, {seed, runs, 1}, Detail::bandsAndDifferences);
    };
    pandemie::ScenarioResults root = resultsOf(9, 10);
    pandemie::ScenarioResults other = resultsOf(19, 14);
    // The other process's batches, then rank 0's summed with them element by element.
    std::vector<std::vector<std::uint64_t>> sent;
    pandemie::cli::sumCounters(other, [&](std::vector<std::uint64_t>& counters) {
        sent.push_back(counters);
        return std::vector<std::uint64_t>();
    });
    EXPECT_GT(sent.size(), 1U) << "several batches";
    std::size_t batch = 0;
    pandemie::cli::sumCounters(root, [&](std::vector<std::uint64_t>& counters) {
        std::vector<std::uint64_t> sums = sent.at(batch++);
        EXPECT_EQ(sums.size(), counters.size());
        for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += counters[i];
        return sums;
    });
    EXPECT_EQ(batch, sent.size());
    const pandemie::ScenarioResults whole = resultsOf(9, 24);
    EXPECT_EQ(pandemie::output::scenarioSummaryCsv(scenarios, root),
              pandemie::output::scenarioSummaryCsv(scenarios, whole));
    EXPECT_EQ(pandemie::output::scenarioBandsCsv(scenarios, root),
              pandemie::output::scenarioBandsCsv(scenarios, whole));
    EXPECT_EQ(pandemie::output::differencesCsv(scenarios, root),
              pandemie::output::differencesCsv(scenarios, whole));
}

}  // namespace
