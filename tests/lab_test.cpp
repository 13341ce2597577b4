#include <gtest/gtest.h>

#include <QImage>

#include <fstream>
#include <string>
#include <vector>

#include "cli_process.h"
#include "sweep_image.h"

namespace {

namespace fs = std::filesystem;
using cli_process::lines;
using cli_process::Outcome;
using cli_process::readFile;
using cli_process::runCli;
using cli_process::ScratchDirectory;

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

constexpr const char* twoScenarios =
    "[[scenario]]\nname = \"frei\"\n\n[[scenario]]\nname = \"ab Tag 20, mit Komma\"\n"
    "change = [{ day = 20, encounters = 5, latency = 4 }]\n";

[[nodiscard]] QImage imageOf(const fs::path& path) {
    return QImage(QString::fromStdString(path.string()));
}

TEST(labCli, scenarioAndSweepFilesDoNotDependOnThreads) {
    const ScratchDirectory dir;
    writeText(dir / "s.toml", twoScenarios);
    std::vector<std::string> results;
    for (const std::string threads : {"1", "2"}) {
        const std::string p = (dir / threads).string();
        const Outcome compared = runCli({"--scenarios", (dir / "s.toml").string(), "--runs", "12",
                                         "--threads", threads, "--summary", p + "s.csv", "--bands",
                                         p + "b.csv", "--differences", p + "d.csv", "--png", p + ".png"});
        ASSERT_EQ(compared.status, 0) << compared.err;
        const Outcome swept = runCli(
            {"--sweep", "encounters=4..12:4", "--sweep", "latency=5,0", "--runs", "6", "--threads", threads});
        ASSERT_EQ(swept.status, 0) << swept.err;
        results.push_back(compared.err + readFile(p + "s.csv") + readFile(p + "b.csv") +
                          readFile(p + "d.csv") + swept.out);
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_TRUE(imageOf(dir / "1.png").convertToFormat(QImage::Format_RGB32) ==
                imageOf(dir / "2.png").convertToFormat(QImage::Format_RGB32));
    const auto differences = lines(readFile(dir / "1d.csv"));
    ASSERT_EQ(differences.size(), 4U);
    EXPECT_EQ(differences[1].rfind("\"ab Tag 20, mit Komma\",frei,peak_infected,", 0), 0U);
    const auto sweep = lines(results[0].substr(results[0].find("encounters,latency,runs,")));
    ASSERT_EQ(sweep.size(), 7U);
    EXPECT_EQ(sweep[1].rfind("4,0,6,", 0), 0U) << "values ascending, the first axis outermost";
    EXPECT_EQ(lines(readFile(dir / "1b.csv")).size(), 1U + 2 * 540);
}

TEST(labCli, badInputExitsTwoOnOneLineBeforeAnyRun) {
    const ScratchDirectory dir;
    struct FileCase {
        std::string text;
        int line;
        std::string says;
    };
    const FileCase files[] = {
        {"[[scenario]]\nname = \"a\"\nencounters = \n", 3, ""},
        {"[[scenario]]\nname = \"a\"\nspeed = 3\n", 3, "unknown key \"speed\""},
        {"[[scenario]]\nname = \"a\"\n[[scenario.change]]\nday = 30\nlatency = 11\n", 5, "0..10"},
        {"[[scenario]]\nname = \"a\"\n\n[[scenario]]\nname = \"a\"\n", 5, "named twice"},
    };
    const std::string summary = (dir / "summary.csv").string();
    for (const FileCase& c : files) {
        SCOPED_TRACE(c.text);
        writeText(dir / "bad.toml", c.text);
        const Outcome run = runCli({"--scenarios", (dir / "bad.toml").string(), "--summary", summary});
        EXPECT_EQ(run.status, 2);
        ASSERT_EQ(lines(run.err).size(), 1U) << run.err;
        EXPECT_NE(run.err.find((dir / "bad.toml").string() + ":" + std::to_string(c.line) + ": "),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    const std::vector<std::vector<std::string>> options{
        {"--change", "30:encounters=4", "--change", "30:encounters=5,latency=1"},
        {"--change", "181:latency=1"},
        {"--sweep", "infection=5..2"},
        {"--sweep", "recovery=7,9"},
        {"--sweep", "encounters=1,2", "--summary", summary},
        {"--differences", summary},
        {"--measure", "peak_day"},
    };
    for (const auto& args : options) {
        SCOPED_TRACE(args[1]);
        const Outcome run = runCli(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(lines(run.err).size(), 1U) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"bad.toml"});
}

TEST(labCli, imagesShowTheirDataAndCarryTheirCommand) {
    const ScratchDirectory dir;
    const std::string heat = (dir / "heat.png").string();
    ASSERT_EQ(
        runCli({"--sweep", "encounters=0,20", "--sweep", "infection=0,20", "--runs", "3", "--png", heat})
            .status,
        0);
    const QImage map = imageOf(heat);
    EXPECT_NE(
        map.text("Command").toStdString().find(" --sweep encounters=0,20 --sweep infection=0,20 --runs 3"),
        std::string::npos);
    // Cells are (70..354, 295..529) and so on: without encounters or infection
    // 3 of 1000 recover, the bottom of the scale; with 20 and 20 nearly all.
    for (const QPoint dark : {QPoint(212, 412), QPoint(212, 177), QPoint(497, 412)})
        EXPECT_EQ(map.pixelColor(dark), chart::viridis(0.003)) << dark.x() << "," << dark.y();
    const QColor bright = map.pixelColor(497, 177);
    EXPECT_GT(bright.red(), 230);
    EXPECT_GT(bright.green(), 215);
    EXPECT_LT(bright.blue(), 70);

    writeText(dir / "s.toml", twoScenarios);
    const std::string overlay = (dir / "overlay.png").string();
    ASSERT_EQ(runCli({"--scenarios", (dir / "s.toml").string(), "--runs", "5", "--png", overlay}).status, 0);
    const QImage chart = imageOf(overlay);
    // The legend's colour swatches, one row per scenario, and the change day's line.
    const auto rowHas = [&](int y, const QColor& colour) {
        for (int x = 500; x < 773; ++x)
            if (chart.pixelColor(x, y) == colour) return true;
        return false;
    };
    EXPECT_TRUE(rowHas(82, QColor(255, 0, 0)));
    EXPECT_TRUE(rowHas(100, QColor(0, 90, 220)));
    EXPECT_EQ(chart.pixelColor(60 + 4 * 20, 300), QColor(0, 90, 220));
}

}  // namespace
