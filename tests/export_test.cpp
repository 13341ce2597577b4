#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "band_stats.h"
#include "chart.h"
#include "cli_process.h"
#include "form1.h"
#include "picture_box.h"
#include "run_image.h"
#include "surface.h"

namespace {

namespace fs = std::filesystem;
using cli_process::lines;
using cli_process::Outcome;
using cli_process::readFile;
using cli_process::runCli;
using cli_process::ScratchDirectory;

[[nodiscard]] QImage pngOf(const fs::path& path) {
    return QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_RGB32);
}

TEST(exportImage, pngIsTheWindowsChartAfterItsFirstRun) {
    const ScratchDirectory dir;
    const Outcome run = runCli({"--png", (dir / "run.png").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "") << "only the image was asked for";

    Form1 form;
    form.Form_Load();
    const QImage window = form.Picture1->surface().image();
    const QImage png = pngOf(dir / "run.png");
    ASSERT_EQ(png.size(), QSize(chart::Surface::width, chart::Surface::height));
    EXPECT_TRUE(png == window.convertToFormat(QImage::Format_RGB32));
}

TEST(exportImage, pngFollowsSeedAndParameters) {
    const ScratchDirectory dir;
    ASSERT_EQ(
        runCli({"--png", (dir / "run.png").string(), "--seed", "5", "--encounters", "15", "--latency", "0"})
            .status,
        0);
    pandemie::Parameters parameters;
    parameters.encountersPerDay = 15;
    parameters.latencyDays = 0;
    pandemie::Random random(5);
    const QImage expected = chart::firstRunImage(pandemie::runTrajectory(parameters, random));
    EXPECT_TRUE(pngOf(dir / "run.png") == expected.convertToFormat(QImage::Format_RGB32));
    EXPECT_FALSE(pngOf(dir / "run.png") == chart::firstRunImage({}).convertToFormat(QImage::Format_RGB32));
}

TEST(exportBands, shapeOrderAndOrderedPercentiles) {
    const ScratchDirectory dir;
    const Outcome run = runCli({"--runs", "30", "--bands", (dir / "bands.csv").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = lines(readFile(dir / "bands.csv"));
    ASSERT_EQ(rows.size(), 541U);
    EXPECT_EQ(rows[0], "day,series,mean,p10,p50,p90");
    const char* const names[] = {"not_infected", "infected", "recovered"};
    for (std::size_t i = 1; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i]);
        int day = 0;
        char series[20] = {};
        double mean = -1;
        double p10 = -1;
        double p50 = -1;
        double p90 = -1;
        ASSERT_EQ(std::sscanf(rows[i].c_str(), "%d,%19[a-z_],%lf,%lf,%lf,%lf", &day, series, &mean, &p10,
                              &p50, &p90),
                  6);
        EXPECT_EQ(day, static_cast<int>((i - 1) / 3 + 1));
        EXPECT_STREQ(series, names[(i - 1) % 3]);
        EXPECT_LE(0, p10);
        EXPECT_LE(p10, p50);
        EXPECT_LE(p50, p90);
        EXPECT_LE(p90, 100);
        EXPECT_LE(p10, mean);
        EXPECT_LE(mean, p90);
    }
}

TEST(exportBands, percentilesAreNearestRank) {
    pandemie::CountHistogram values(1000);
    for (int v = 10; v >= 1; --v) values.add(v);
    EXPECT_EQ(values.percentile(10), 1);
    EXPECT_EQ(values.percentile(50), 5);
    EXPECT_EQ(values.percentile(90), 9);
    EXPECT_EQ(values.percentile(91), 10);
    EXPECT_DOUBLE_EQ(values.mean(), 5.5);
    pandemie::CountHistogram two(1000);
    two.add(0);
    two.add(1000);
    EXPECT_EQ(two.percentile(50), 0);
    EXPECT_EQ(two.percentile(51), 1000);
}

TEST(exportEnsemble, filesDoNotDependOnThreads) {
    const ScratchDirectory dir;
    std::vector<std::string> results;
    for (const char* threads : {"1", "3"}) {
        const std::string prefix = (dir / threads).string();
        const Outcome run =
            runCli({"--runs", "25", "--seed", "11", "--threads", threads, "--bands", prefix + ".csv",
                    "--summary", prefix + "-summary.csv", "--png", prefix + ".png"});
        ASSERT_EQ(run.status, 0) << run.err;
        results.push_back(run.err + readFile(prefix + ".csv") + readFile(prefix + "-summary.csv"));
    }
    EXPECT_EQ(results[0], results[1]);
    // The images differ only in the command line they carry.
    EXPECT_TRUE(pngOf(dir / "1.png") == pngOf(dir / "3.png"));
}

TEST(exportSummary, withoutEncountersNothingChanges) {
    // The three first cases recover on day 14; nobody else is ever infected.
    const ScratchDirectory dir;
    const Outcome run =
        runCli({"--runs", "7", "--encounters", "0", "--summary", (dir / "summary.csv").string()});
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(readFile(dir / "summary.csv"),
              "measure,mean,p10,p50,p90\n"
              "peak_infected,3.000,3,3,3\n"
              "peak_day,1.000,1,1,1\n"
              "final_recovered,3.000,3,3,3\n"
              "runs_without_infected_on_day_180,1.000000,,,\n");
    EXPECT_EQ(run.err,
              "7 runs\n"
              "peak infected:   mean 3.000  p10 3  p50 3  p90 3\n"
              "peak day:        mean 1.000  p10 1  p50 1  p90 1\n"
              "final recovered: mean 3.000  p10 3  p50 3  p90 3\n"
              "no counted person infected on day 180 in 100.00 % of the runs\n");
}

TEST(exportOptions, misuseAndUnwritableFilesLeaveNothing) {
    const ScratchDirectory dir;
    for (const char* option : {"--bands", "--summary"}) {
        const Outcome run = runCli({option, (dir / "x.csv").string()});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(lines(run.err).size(), 1U);
        EXPECT_NE(run.err.find(option), std::string::npos);
    }
    const std::string missing = (dir / "missing" / "out.png").string();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--png", missing},
          std::vector<std::string>{"--runs", "3", "--bands", (dir / "b.csv").string(), "--png", missing}}) {
        const Outcome run = runCli(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(lines(run.err).size(), 1U) << "refused before the runs, no summary";
        EXPECT_NE(run.err.find(missing), std::string::npos);
    }
    EXPECT_EQ(dir.entryCount(), 0U);
}

TEST(exportOptions, csvStillGoesToAGivenOutput) {
    const ScratchDirectory dir;
    const Outcome run = runCli({"--runs", "4", "--bands", (dir / "b.csv").string(), "--output", "-"});
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(lines(run.out).size(), 5U);
    EXPECT_EQ(run.out, runCli({"--runs", "4"}).out);
}

}  // namespace

TEST(exportImage, bandImageNamesItsLinesRunsAndParametersWithoutTheCaption) {
    pandemie::Parameters parameters;
    const auto imageFor = [&parameters] {
        const auto statistics = pandemie::collectStatistics(parameters, {3, 20, 1});
        return chart::bandImage(statistics.courses(), statistics.runs(), parameters);
    };
    const QImage image = imageFor();
    int captionPixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            captionPixels += image.pixelColor(x, y) == QColor(180, 220, 220);
    EXPECT_EQ(captionPixels, 0);
    // The key's median lines in the series' colours, right of the title.
    EXPECT_EQ(image.pixelColor(480, 36), chart::QBColor(chart::colourNotInfected));
    EXPECT_EQ(image.pixelColor(480, 44), chart::QBColor(chart::colourRecovered));
    const QRect parameterLine(60, 590, 700, 23);
    parameters.latencyDays = 5;
    EXPECT_NE(imageFor().copy(parameterLine), image.copy(parameterLine));
}
