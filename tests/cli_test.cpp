// pandemie-cli run as a child process: its files, images and messages.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): with the POSIX names
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "chart/run_image.h"
#include "chart/scenario_image.h"
#include "chart/surface.h"
#include "chart/sweep_image.h"
#include "model/band_stats.h"
#include "model/ensemble.h"
#include "model/model.h"
#include "model/scenario.h"
#include "tests/cli_process.h"

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
    for (int day = 1; day <= std::ssize(days); ++day) {
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

// N, K and D reach every mode: a run's CSV is the model's run of that
// scope, counts add up to N on each of days 1..D, figures lie in 0..N and
// 1..D, and the bytes are the same for 1 and 3 threads.
TEST(cli, aPopulationOfItsOwnRunsInEveryMode) {
    const ScratchDirectory dir;
    const std::vector<std::string> scope{"--population", "5000", "--initial", "7", "--days", "365"};
    const auto with = [&scope](std::vector<std::string> args) {
        args.insert(args.begin(), scope.begin(), scope.end());
        return args;
    };
    const Outcome run = runCli(with({"--seed", "4"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expectedCsv(pandemie::seededRun({}, {}, 4, {5000, 7, 365})));
    EXPECT_EQ(lines(run.out).back().rfind("365,", 0), 0U);

    std::vector<std::string> outputs;
    for (const std::string threads : {"1", "3"}) {
        const std::string p = (dir / threads).string();
        const Outcome ensemble = runCli(with({"--runs", "12", "--threads", threads, "--bands", p + "b.csv",
                                              "--summary", p + "s.csv", "--output", p + "r.csv", "-q"}));
        ASSERT_EQ(ensemble.status, 0) << ensemble.err;
        const Outcome swept =
            runCli(with({"--sweep", "infection=4,30", "--runs", "4", "--threads", threads, "-q"}));
        ASSERT_EQ(swept.status, 0) << swept.err;
        outputs.push_back(readFile(p + "b.csv") + readFile(p + "s.csv") + readFile(p + "r.csv") + swept.out);
    }
    EXPECT_EQ(outputs[0], outputs[1]);
    const auto bands = lines(readFile(dir / "1b.csv"));
    ASSERT_EQ(bands.size(), 1U + 3 * 365);
    EXPECT_EQ(bands.back().rfind("365,recovered,", 0), 0U);
    const auto summary = lines(readFile(dir / "1s.csv"));
    EXPECT_EQ(summary.back().rfind("runs_without_infected_on_day_365,", 0), 0U);
    const auto perRun = lines(readFile(dir / "1r.csv"));
    ASSERT_EQ(perRun.size(), 13U);
    for (const std::string& row : std::vector(perRun.begin() + 1, perRun.end())) {
        std::vector<long> cells;
        std::stringstream cellText(row);
        for (std::string cell; std::getline(cellText, cell, ',');) cells.push_back(std::stol(cell));
        ASSERT_EQ(cells.size(), 7U) << row;
        EXPECT_LE(cells[2], 5000);                        // peak infected
        EXPECT_TRUE(cells[3] >= 1 && cells[3] <= 365);    // peak day
        EXPECT_EQ(cells[4] + cells[5] + cells[6], 5000);  // the counts of day 365
    }
    EXPECT_NE(outputs[0].find("share_without_infected_on_day_365"), std::string::npos);

    scratch::writeFile(dir / "s.toml",
                       "[[scenario]]\nname = \"a\"\n[[scenario]]\nname = \"b\"\nrecovery = 100\n"
                       "[[scenario.change]]\nday = 300\nencounters = 50\n");
    const Outcome compared = runCli(with({"--scenarios", (dir / "s.toml").string(), "--runs", "3", "--bands",
                                          (dir / "cb.csv").string(), "-q"}));
    ASSERT_EQ(compared.status, 0) << compared.err;
    EXPECT_EQ(lines(readFile(dir / "cb.csv")).size(), 1U + 2 * 3 * 365);
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
        const auto peak =
            std::ranges::max_element(days, {}, &pandemie::DailyCounts::countInfected);  // first max
        const auto& last = days.back();
        EXPECT_EQ(rows[run + 1],
                  std::to_string(run) + ',' + std::to_string(seeds[run]) + ',' +
                      std::to_string(peak->countInfected) + ',' + std::to_string(peak - days.begin() + 1) +
                      ',' + std::to_string(last.countSusceptible) + ',' + std::to_string(last.countInfected) +
                      ',' + std::to_string(last.countRecovered));
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
        EXPECT_EQ(runCli({}, {.inChild = {}, .stdoutPath = full.c_str()}).status, 1);
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
    const Outcome failed = runCli({"--output", target.string(), "--seed", "1"},
                                  {.inChild = smallFileLimit, .stdoutPath = nullptr});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(lines(failed.err).size(), 1U);
    EXPECT_EQ(readFile(target), before);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.csv"});
}

// AddressSanitizer needs more address space than the limit leaves.
#if !defined(__SANITIZE_ADDRESS__)
TEST(cli, aRequestTooLargeForMemoryEndsWithOneLineAndNoFile) {
    const ScratchDirectory dir;
    // 40,000 scenarios whose bands table alone takes more than 1 GB.
    std::ofstream(dir.path() / "s.toml") << [] {
        std::string text;
        for (int s = 0; s < 40'000; ++s)
            text += "[[scenario]]\nname = \"s" + std::to_string(s) + "\"\nencounters = 0\n";
        return text;
    }();
    const auto smallAddressSpace = [] {
        const rlimit limit{800UL << 20U, 800UL << 20U};
        ::setrlimit(RLIMIT_AS, &limit);
    };
    const Outcome run = runCli({"--scenarios", (dir.path() / "s.toml").string(), "--runs", "1", "--bands",
                                (dir.path() / "b.csv").string(), "-q"},
                               {.inChild = smallAddressSpace, .stdoutPath = nullptr});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "pandemie-cli: not enough memory for this request\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"s.toml"});
}
#endif

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

// Standard input in the child from the file at path.
[[nodiscard]] std::function<void()> stdinFrom(const std::string& path) {
    return [path] {
        const int in = ::open(path.c_str(), O_RDONLY);
        if (in < 0 || ::dup2(in, STDIN_FILENO) < 0) ::_exit(126);
    };
}

TEST(cli, dashIsStandardInputForTheObservedCountsOrTheScenarios) {
    const ScratchDirectory dir;
    const std::string toml = (dir / "s.toml").string();
    std::ofstream(toml) << "[[scenario]]\nname = \"a\"\n[[scenario]]\nname = \"b\"\nencounters = 4\n";
    const std::vector<std::string> compare{"--runs", "3", "--days", "30", "--summary", "-"};
    std::vector<std::string> fromFile{"--scenarios", toml};
    std::vector<std::string> fromInput{"--scenarios", "-"};
    fromFile.insert(fromFile.end(), compare.begin(), compare.end());
    fromInput.insert(fromInput.end(), compare.begin(), compare.end());
    const Outcome read = runCli(fromInput, {.inChild = stdinFrom(toml), .stdoutPath = nullptr});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, runCli(fromFile).out);

    const std::string counts = (dir / "c.csv").string();
    std::ofstream(counts) << "day,infected\n1,3\n2,x\n";
    const Outcome bad = runCli({"--observed", "-"}, {.inChild = stdinFrom(counts), .stdoutPath = nullptr});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "pandemie-cli: --observed: standard input:3: \"x\" is not a number of persons\n");
    std::ofstream(toml) << "[[scenario]]\rname = \"a\"\r";
    const Outcome oldMac = runCli({"--scenarios", "-"}, {.inChild = stdinFrom(toml), .stdoutPath = nullptr});
    EXPECT_EQ(oldMac.status, 2);
    EXPECT_EQ(
        oldMac.err.rfind("pandemie-cli: --scenarios: standard input:1: a line ends in a carriage return "
                         "alone (old Mac line ends)",
                         0),
        0U)
        << oldMac.err;

    const Outcome both = runCli({"--observed", "-", "--scenarios", "-"});
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(both.err,
              "pandemie-cli: --observed and --scenarios both name standard input (-); at most one may\n");
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

TEST(cli, helpAndVersionExitZeroWhateverElseIsGiven) {
    const std::string help = runCli({"--help"}).out;
    for (const char* option :
         {"--encounters N", "--infection N", "--latency N", "--recovery N", "--seed N", "--runs N",
          "--threads N", "--output FILE", "--version", "--change DAY:NAME=VALUE", "repeatable",
          "peak_infected, peak_day or final_recovered"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_EQ(help.find(" ..."), std::string::npos) << "one value per option";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--runs", "0", "--help"},
                                                 {"--help", "--runs", "0"},
                                                 {"--bogus", "-h"},
                                                 {"-qh"}}) {
        const Outcome run = runCli(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, help);
    }
    const Outcome version = runCli({"--version", "--runs=0"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("pandemie-cli ", 0), 0U);
}

// -q given again, joined (-qq) or a last "--" change nothing.
TEST(cli, repeatedQuietAndAClosingDoubleDashAreTheRunAsUsual) {
    const Outcome usual = runCli({"--days", "5", "--runs", "2"});
    ASSERT_EQ(usual.status, 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--days", "5", "--runs", "2", "-qq"},
          {"-q", "--days", "5", "-q", "--runs", "2"},
          {"--days", "5", "--quiet", "--runs", "2", "--quiet", "--"}}) {
        SCOPED_TRACE(args.back());
        const Outcome run = runCli(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, usual.out);
        EXPECT_EQ(run.err, "");
    }
}

TEST(cli, everyOptionRefusesAnEmptyValueAndTakesOnlyOneValue) {
    const ScratchDirectory dir;
    const std::string taken = (dir / "taken").string();
    for (const char* option :
         {"--encounters", "--infection", "--latency", "--recovery", "--population", "--initial", "--days",
          "--seed", "--runs", "--threads", "--output", "--png", "--bands", "--summary", "--change",
          "--scenarios", "--differences", "--sweep", "--measure"}) {
        for (const std::vector<std::string>& args : {std::vector<std::string>{option, ""},
                                                     {std::string(option) + "="},
                                                     {std::string(option) + "=", taken}}) {
            SCOPED_TRACE(args.front());
            const Outcome run = runCli(args);
            EXPECT_EQ(run.status, 2);
            EXPECT_EQ(run.out, "");
            ASSERT_EQ(lines(run.err).size(), 1U) << run.err;
            EXPECT_EQ(run.err.rfind("pandemie-cli: " + std::string(option) + ": ", 0), 0U) << run.err;
            EXPECT_EQ(run.err.find("taken"), std::string::npos) << run.err;
        }
    }
    EXPECT_EQ(dir.entryCount(), 0U);
}

TEST(cli, misuseGetsOneLineNamingTheOption) {
    const ScratchDirectory dir;
    const std::string a = (dir / "a.csv").string();
    const std::string b = (dir / "b.csv").string();
    std::string deep(10'001, 'x');  // a path longer than any message should show
    deep.front() = '/';
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--quiet=maybe"}, "--quiet: takes no value, got \"maybe\""},
        {{"--output", a, "--output", b},
         "--output: given twice; only --change, --sweep and --prior may be repeated"},
        {{"--runs", "2", "--runs", "2"},
         "--runs: given twice; only --change, --sweep and --prior may be repeated"},
        {{"--sweep", "latency=1,2", "--output", a, "--latency", "3"},
         "--latency: cannot be combined with --sweep of latency"},
        {{"--press", "4", "--runs", "2"},
         "--press: goes with one run only, not with --runs above 1, --scenarios, --sweep or --observed"},
        {{"--change", "3:latency=1", "4:latency=2"},
         "unexpected argument \"4:latency=2\"; --change takes one value, give it once for each"},
        {{"--enc", "3"}, "unknown option --enc; did you mean --encounters?"},
        {{"--infect=3"}, "unknown option --infect; did you mean --infection?"},
        {{"--lat", "3"}, "unknown option --lat; did you mean --latency?"},
        {{"--rec", "9"}, "unknown option --rec; did you mean --recovery?"},
        {{"--out", a}, "unknown option --out; did you mean --output?"},
        {{"--run", "3"}, "unknown option --run; did you mean --runs?"},
        {{"--Runs", "3"}, "unknown option --Runs; did you mean --runs?"},
        {{"--RUNS", "3"}, "unknown option --RUNS; did you mean --runs?"},
        {{"--rnus", "3"}, "unknown option --rnus; did you mean --runs?"},
        {{"--hlep"}, "unknown option --hlep; did you mean --help?"},
        {{"--po", "3"},
         "unknown option --po; did you mean one of --population, --posterior, --posterior-png?"},
        {{"--pos"}, "unknown option --pos; did you mean one of --posterior, --posterior-png?"},
        {{"--colour"}, "unknown option --colour (see --help)"},
        {{"--help=foo"}, "--help: takes no value, got \"foo\""},
        {{"--version=x"}, "--version: takes no value, got \"x\""},
        {{"-q=x"}, "--quiet: takes no value, got \"x\""},
        {{"--days", "3", "--", "x"}, "unexpected argument \"x\" after --; pandemie-cli takes no operands"},
        {{"--", "--help"}, "unexpected argument \"--help\" after --; pandemie-cli takes no operands"},
        {{"-qx"}, "unknown option -qx (see --help)"},
        {{"--scenarios", deep},
         "--scenarios: \"" + deep.substr(0, 200) + "\u2026\": cannot read the file: File name too long"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args.front());
        const Outcome run = runCli(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "pandemie-cli: " + message + "\n");
    }
    EXPECT_EQ(dir.entryCount(), 0U);
}

// On a terminal the image's bytes would fill the screen.
TEST(cli, pngIsNotWrittenToATerminal) {
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::array<const char*, 4> argv{PANDEMIE_CLI_PATH, "--png", "-", nullptr};
        ::execv(argv[0], const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    std::string seen;
    std::array<char, 4096> buffer{};
    // read fails (EIO) once the child has closed the terminal.
    for (ssize_t n = 0; (n = ::read(terminal, buffer.data(), buffer.size())) > 0;)
        seen.append(buffer.data(), static_cast<std::size_t>(n));
    int wait = 0;
    ::waitpid(child, &wait, 0);
    ::close(terminal);
    EXPECT_TRUE(WIFEXITED(wait) && WEXITSTATUS(wait) == 2);
    EXPECT_EQ(seen.find("PNG"), std::string::npos);
    EXPECT_EQ(
        seen,
        "pandemie-cli: --png: standard output is a terminal; name a file or redirect standard output\r\n");
}

// The exports of ensembles.

[[nodiscard]] QImage pngOf(const fs::path& path) {
    return QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_RGB32);
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
    EXPECT_FALSE(
        pngOf(dir / "run.png") ==
        chart::firstRunImage(pandemie::Trajectory(pandemie::runDays)).convertToFormat(QImage::Format_RGB32));
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
        const Outcome run = runCli({"--runs", "25", "--seed", "11", "--threads", threads, "--output",
                                    prefix + "-runs.csv", "--bands", prefix + ".csv", "--summary",
                                    prefix + "-summary.csv", "--png", prefix + ".png"});
        ASSERT_EQ(run.status, 0) << run.err;
        results.push_back(run.err + readFile(prefix + "-runs.csv") + readFile(prefix + ".csv") +
                          readFile(prefix + "-summary.csv"));
    }
    EXPECT_EQ(lines(readFile(dir / "1-runs.csv")).size(), 26U);
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

TEST(exportImage, bandImageNamesItsLinesRunsAndParametersWithoutTheCaption) {
    pandemie::Parameters parameters;
    const auto imageFor = [&parameters] {
        const auto results =
            pandemie::runScenarios({{"", parameters, {}}}, {3, 20, 1}, pandemie::Detail::bandsAndDifferences);
        return chart::bandImage(results.bands[0].courses(), results.bands[0].runs(), parameters);
    };
    const QImage image = imageFor();
    int captionPixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            captionPixels += image.pixelColor(x, y) == QColor(180, 220, 220);
    EXPECT_EQ(captionPixels, 0);
    // The key's median lines in the series' colours, right of the title.
    EXPECT_EQ(image.pixelColor(480, 36), chart::seriesColour(pandemie::Series::notInfected));
    EXPECT_EQ(image.pixelColor(480, 44), chart::seriesColour(pandemie::Series::recovered));
    const QRect parameterLine(60, 590, 700, 23);
    parameters.latencyDays = 5;
    EXPECT_NE(imageFor().copy(parameterLine), image.copy(parameterLine));
}

// Scenario comparisons and sweeps.

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

constexpr const char* twoScenarios =
    "[[scenario]]\nname = \"frei\"\n\n[[scenario]]\nname = \"ab Tag 20, mit Komma\"\n"
    "change = [{ day = 20, encounters = 5, latency = 4 }]\n";

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
    EXPECT_TRUE(pngOf(dir / "1.png") == pngOf(dir / "2.png"));
    const Outcome one = runCli(
        {"--scenarios", (dir / "s.toml").string(), "--runs", "1", "--output", (dir / "one.csv").string()});
    EXPECT_EQ(lines(one.err).at(0), "scenario frei: 1 run");
    const auto differences = lines(readFile(dir / "1d.csv"));
    ASSERT_EQ(differences.size(), 4U);
    EXPECT_EQ(differences[1].rfind("\"ab Tag 20, mit Komma\",frei,peak_infected,", 0), 0U);
    const auto sweep = lines(results[0].substr(results[0].find("encounters,latency,runs,")));
    ASSERT_EQ(sweep.size(), 7U);
    EXPECT_EQ(sweep[1].rfind("4,0,6,", 0), 0U) << "values ascending, the first axis outermost";
    EXPECT_EQ(lines(readFile(dir / "1b.csv")).size(), 1U + 2 * 540);
}

TEST(labCli, scenariosAndPointsRunAHundredTimesUnlessToldAndFewRunsGetANote) {
    const ScratchDirectory dir;
    writeText(dir / "s.toml", twoScenarios);
    const Outcome compared = runCli(
        {"--scenarios", (dir / "s.toml").string(), "--days", "30", "--output", (dir / "c.csv").string()});
    ASSERT_EQ(compared.status, 0) << compared.err;
    EXPECT_EQ(lines(compared.err).at(0), "scenario frei: 100 runs");
    const std::vector<std::string> sweep{"--sweep", "latency=1,2", "--days", "10"};
    const auto swept = [&sweep](std::vector<std::string> more) {
        more.insert(more.begin(), sweep.begin(), sweep.end());
        return runCli(more);
    };
    const auto rows = lines(swept({}).out);
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[1].rfind("1,100,", 0), 0U) << rows[1];
    EXPECT_EQ(swept({"--runs", "5"}).err,
              "note: 5 runs per point give rough percentiles; 100 runs or more give steadier bands\n");
    EXPECT_EQ(swept({"--runs", "5", "-q"}).err, "");
    EXPECT_EQ(swept({"--runs", "10"}).err, "");
    const Outcome few = runCli({"--scenarios", (dir / "s.toml").string(), "--runs", "1", "--days", "30"});
    EXPECT_EQ(lines(few.err).back(),
              "note: 1 run per scenario gives rough percentiles; 100 runs or more give steadier bands");
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
        {"[[scenario]]\nname = \"a\"\n[[scenario.change]]\nday = 30\nlatency = 61\n", 5, "0..60"},
        {"[[scenario]]\nname = \"a\"\n[[scenario.change]]\nday = 181\nlatency = 1\n", 4, "1..180"},
        {"[[scenario]]\nname = \"a\"\n\n[[scenario]]\nname = \"a\"\n", 5, "named twice"},
        {"[[scenario]]\nname = \"a\\u007f\"\n", 2, "without control characters"},
        {"[[scenario]]\nname = \"a\\u0085\"\n", 2, "without control characters"},
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
        {"--sweep", "recovery=0,9"},
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
    const QImage map = pngOf(heat);
    EXPECT_NE(
        map.text("Command").toStdString().find(" --sweep encounters=0,20 --sweep infection=0,20 --runs 3"),
        std::string::npos);
    // Cells are (70..354, 295..529) and so on: without encounters or infection
    // 3 of 1000 recover, the bottom of the scale, which spans the values shown; with 20 and 20 nearly all.
    for (const QPoint dark : {QPoint(212, 412), QPoint(212, 177), QPoint(497, 412)})
        EXPECT_EQ(map.pixelColor(dark), chart::viridis(0)) << dark.x() << "," << dark.y();
    const QColor bright = map.pixelColor(497, 177);
    EXPECT_GT(bright.red(), 230);
    EXPECT_GT(bright.green(), 215);
    EXPECT_LT(bright.blue(), 70);

    writeText(dir / "s.toml", twoScenarios);
    const std::string overlay = (dir / "overlay.png").string();
    ASSERT_EQ(runCli({"--scenarios", (dir / "s.toml").string(), "--runs", "5", "--png", overlay}).status, 0);
    const QImage overlayImage = pngOf(overlay);
    // The legend's swatches, a line over a tint for each scenario, and the change day's line.
    const auto has = [&](const QColor& colour) {
        for (int y = 61; y < 560; ++y)
            for (int x = 61; x < 783; ++x)
                if (overlayImage.pixelColor(x, y) == colour) return true;
        return false;
    };
    EXPECT_TRUE(has(chart::scenarioColour(0)));
    EXPECT_TRUE(has(chart::scenarioTint(1)));
    EXPECT_EQ(overlayImage.pixelColor(60 + 4 * 20, 300), chart::scenarioColour(1));
}

}  // namespace
