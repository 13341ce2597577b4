#include <fcntl.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): with the POSIX names
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli_process.h"
#include "ensemble.h"
#include "model.h"

namespace {

namespace fs = std::filesystem;
using cli_process::lines;
using cli_process::Outcome;
using cli_process::readFile;
using cli_process::runCli;
using cli_process::ScratchDirectory;

[[nodiscard]] pandemie::Trajectory trajectory(const pandemie::Parameters& parameters, std::uint64_t seed) {
    pandemie::Random random(seed);
    return pandemie::runTrajectory(parameters, random);
}

[[nodiscard]] std::string expectedCsv(const pandemie::Trajectory& days) {
    std::string csv = "day,not_infected,infected,recovered\n";
    for (int day = 1; day <= pandemie::runDays; ++day) {
        const auto& c = days[static_cast<std::size_t>(day - 1)];
        csv += std::to_string(day) + ',' + std::to_string(c.countSusceptible) + ',' +
               std::to_string(c.countInfected) + ',' + std::to_string(c.countRecovered) + '\n';
    }
    return csv;
}

TEST(cli, defaultRunIsTheWindowsFirstRun) {
    const Outcome run = runCli({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, expectedCsv(trajectory({}, pandemie::windowSeed)));
    const auto rows = lines(run.out);
    ASSERT_EQ(rows.size(), 181U);
    int day = 0;
    int notInfected = 0;
    int infected = 0;
    int recovered = 0;
    ASSERT_EQ(std::sscanf(rows.back().c_str(), "%d,%d,%d,%d", &day, &notInfected, &infected, &recovered), 4);
    EXPECT_EQ(day, 180);
    EXPECT_EQ(notInfected + infected + recovered, 1000);
}

TEST(cli, parametersAndSeedReachTheModel) {
    pandemie::Parameters parameters;
    parameters.encountersPerDay = 14;
    parameters.infectionPerMille = 12;
    parameters.latencyDays = 3;
    parameters.recoveryDays = 20;
    const Outcome run = runCli(
        {"--encounters", "14", "--infection", "12", "--latency", "3", "--recovery", "20", "--seed", "42"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, expectedCsv(trajectory(parameters, 42)));
}

TEST(cli, ensembleRowsSummarizeTheSingleRuns) {
    const Outcome ensemble = runCli({"--runs", "3", "--seed", "18446744073709551614", "--infection", "15"});
    ASSERT_EQ(ensemble.status, 0);
    const auto rows = lines(ensemble.out);
    ASSERT_EQ(rows.size(), 4U);
    EXPECT_EQ(rows[0], "run,seed,peak_infected,peak_day,final_not_infected,final_infected,final_recovered");
    pandemie::Parameters parameters;
    parameters.infectionPerMille = 15;
    const std::uint64_t seeds[] = {18446744073709551614ULL, 18446744073709551615ULL, 0};  // seed + i wraps
    for (std::size_t run = 0; run < 3; ++run) {
        const auto days = trajectory(parameters, seeds[run]);
        const auto* const peak =
            std::ranges::max_element(days, {}, &pandemie::DailyCounts::countInfected);  // first max
        const auto& last = days.back();
        EXPECT_EQ(rows[run + 1],
                  std::to_string(run) + ',' + std::to_string(seeds[run]) + ',' +
                      std::to_string(peak->countInfected) + ',' + std::to_string(peak - days.begin() + 1) +
                      ',' + std::to_string(last.countSusceptible) + ',' + std::to_string(last.countInfected) +
                      ',' + std::to_string(last.countRecovered));
    }
}

TEST(cli, ensembleOutputDoesNotDependOnThreads) {
    const Outcome one = runCli({"--runs", "40", "--seed", "7", "--threads", "1"});
    ASSERT_EQ(one.status, 0);
    EXPECT_EQ(lines(one.out).size(), 41U);
    EXPECT_EQ(runCli({"--runs", "40", "--seed", "7", "--threads", "2"}).out, one.out);
    EXPECT_EQ(runCli({"--runs", "40", "--seed", "7", "--threads", "7"}).out, one.out);
}

TEST(cli, badValuesAreRefusedOnOneLine) {
    struct Case {
        std::string option, value, range;
    };
    const Case cases[] = {
        {"--encounters", "25", "0..20"},
        {"--infection", "2.5", "0..20"},
        {"--latency", "5x", "0..10"},
        {"--recovery", "7", "8..24"},
        {"--seed", "-1", "0..18446744073709551615"},
        {"--seed", "18446744073709551616", "0..18446744073709551615"},
        {"--runs", "0", "1..1000000"},
        {"--threads", "", "1..256"},
        {"--threads", "0x10", "1..256"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option + " " + c.value);
        const Outcome run = runCli({c.option, c.value});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        ASSERT_EQ(lines(run.err).size(), 1U);
        EXPECT_NE(run.err.find(c.option + ": "), std::string::npos);
        EXPECT_NE(run.err.find(c.value.empty() ? "\"\"" : c.value), std::string::npos);
        EXPECT_NE(run.err.find(c.range), std::string::npos);
    }
    for (const std::string arg : {"--bogus", "stray"}) {
        const Outcome run = runCli({"--runs", "2", arg});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(lines(run.err).size(), 1U);
        EXPECT_NE(run.err.find(arg), std::string::npos);
    }
}

TEST(cli, unwritableOutputLeavesNothingBehind) {
    const ScratchDirectory dir;
    fs::create_directory(dir.path() / "sub");
    for (const fs::path& target : {dir.path() / "missing" / "out.csv", dir.path() / "sub"}) {
        SCOPED_TRACE(target.string());
        const Outcome run = runCli({"--output", target.string()});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(lines(run.err).size(), 1U);
        EXPECT_NE(run.err.find(target.string()), std::string::npos);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"sub"});
        EXPECT_TRUE(fs::is_empty(dir.path() / "sub"));
    }
    // Standard output on a full device, made here: its write error is reported.
    const std::string full = (dir.path() / "full").string();
    if (::mknod(full.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) == 0) {
        EXPECT_EQ(runCli({}, cli_process::stdoutTo(full.c_str())).status, 1);
    }
}

TEST(cli, failedWriteKeepsTheExistingFile) {
    const ScratchDirectory dir;
    const fs::path target = dir.path() / "out.csv";
    ASSERT_EQ(runCli({"--output", target.string()}).status, 0);
    EXPECT_EQ(readFile(target), runCli({}).out);

    // A file size limit makes the write fail halfway.
    const auto smallFileLimit = [] {
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_IGN);
    };
    const std::string before = readFile(target);
    const Outcome failed =
        runCli({"--output", target.string(), "--seed", "1"}, cli_process::inChild(smallFileLimit));
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(lines(failed.err).size(), 1U);
    EXPECT_EQ(readFile(target), before);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.csv"});

    // The runs fit under the limit, the bands do not: neither file is replaced.
    const fs::path bands = dir / "bands.csv";
    std::ofstream(bands) << "old";
    const Outcome batch = runCli({"--runs", "3", "--output", target.string(), "--bands", bands.string()},
                                 cli_process::inChild([] {
                                     const rlimit limit{1000, 1000};
                                     ::setrlimit(RLIMIT_FSIZE, &limit);
                                     ::signal(SIGXFSZ, SIG_IGN);
                                 }));
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.err.find("--bands: cannot write " + bands.string() + ": File too large"),
              std::string::npos);
    EXPECT_EQ(readFile(target), before);
    EXPECT_EQ(readFile(bands), "old");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"bands.csv", "out.csv"}));
}

TEST(cli, dashIsStandardOutputForAnyOneFileOption) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--output", "-"}, "day,not_infected"},
        {{"--png", "-"}, "\x89PNG"},
        {{"--runs", "3", "--bands", "-"}, "day,series"},
        {{"--runs", "3", "--summary", "-"}, "measure,mean"}};
    for (const auto& [args, start] : cases) {
        SCOPED_TRACE(args[args.size() - 2]);
        const Outcome run = runCli(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.rfind(start, 0), 0U);
    }
    const Outcome twice = runCli({"--runs", "3", "--png", "-", "--summary", "-"});
    EXPECT_EQ(twice.status, 2);
    EXPECT_EQ(twice.out, "");
    EXPECT_EQ(twice.err,
              "pandemie-cli: --png and --summary both name standard output (-); at most one may\n");
}

TEST(cli, twoOptionsNamingOneFileAreRefusedBeforeTheRuns) {
    const ScratchDirectory dir;
    fs::create_directory(dir / "a");
    const std::string bands = (dir / "x").string();
    const std::string summary = (dir / "a/../x").string();
    const Outcome run = runCli({"--runs", "3", "--bands", bands, "--summary", summary});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "pandemie-cli: --summary " + summary + " is the same file as --bands " + bands + "\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a"});
}

TEST(cli, helpAndVersionExitZero) {
    const Outcome help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--encounters", "--infection", "--latency", "--recovery", "--seed", "--runs",
                               "--threads", "--output", "--version"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    const Outcome version = runCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("pandemie-cli ", 0), 0U);
}

}  // namespace
