// The fit through the tool: what it reads, what it refuses, how its
// scenarios start from the fitted runs, and its bytes pinned.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli_process.h"
#include "tests/golden.h"

namespace {

using cli_process::lines;
using cli_process::Outcome;
using cli_process::runCli;
using cli_process::ScratchDirectory;

// The infected counts of days 1..40 of one run (those of examples/beobachtet.csv).
const std::vector<int> counted{3,  3,  3,  3,  4,  4,  4,  5,  6,  6,  6,  6,  6,  8,
                               10, 9,  9,  11, 11, 11, 13, 15, 15, 16, 16, 16, 18, 20,
                               20, 22, 24, 27, 31, 33, 35, 37, 42, 48, 53, 59};

std::string countsFile(const ScratchDirectory& scratch, const std::string& name, int factor,
                       const char* separator) {
    std::string text = std::string("day") + separator + "infected\r\n";
    for (std::size_t d = 0; d < counted.size(); ++d)
        text += std::to_string(d + 1) + separator + std::to_string(counted[d] * factor) + "\r\n";
    const auto path = scratch / name;
    scratch::writeFile(path, text);
    return path.string();
}

// Held fixed, latency and recovery make these fits quick.
const std::vector<std::string> quickFit{"--latency", "3", "--recovery", "12", "--runs", "20", "-q"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(cliFit, fitIsPinnedAndTheSameForAnyThreads) {
    const ScratchDirectory scratch;
    const Outcome perThousand =
        runCli(with({"--observed", countsFile(scratch, "a.csv", 1, ","), "--summary", "-"}, quickFit));
    ASSERT_EQ(perThousand.status, 0) << perThousand.err;
    golden::expectText("fit_summary.csv", perThousand.out);
    const Outcome oneThread = runCli(with(
        {"--observed", countsFile(scratch, "c.csv", 1, ","), "--summary", "-", "--threads", "1"}, quickFit));
    EXPECT_EQ(oneThread.out, perThousand.out);
}

TEST(cliFit, scenariosStartFromTheFittedRuns) {
    const ScratchDirectory scratch;
    const auto file = (scratch / "s.toml").string();
    scratch::writeFile(file,
                       "[[scenario]]\nname = \"a\"\n[[scenario]]\nname = \"b\"\n"
                       "[[scenario.change]]\nday = 50\nencounters = 0\n");
    const std::string observed = countsFile(scratch, "a.csv", 1, ",");
    const Outcome forecast = runCli(with({"--observed", observed, "--bands", "-"}, quickFit));
    const Outcome compared =
        runCli(with({"--observed", observed, "--scenarios", file, "--bands", "-"}, quickFit));
    ASSERT_EQ(compared.status, 0) << compared.err;
    const auto plain = lines(forecast.out);
    const auto rows = lines(compared.out);
    constexpr std::size_t block = 540;  // 180 days of 3 series
    ASSERT_EQ(rows.size(), 1 + 2 * block);
    // Scenario a has no changes: the forecast itself; b is the same until its change on day 50.
    for (std::size_t row = 1; row <= block; ++row) EXPECT_EQ(rows[row], "a," + plain[row]);
    for (std::size_t row = 1; row <= std::size_t{49} * 3; ++row)
        EXPECT_EQ(rows[block + row].substr(2), rows[row].substr(2));
    EXPECT_NE(rows[2 * block].substr(2), rows[block].substr(2));
}

TEST(cliFit, reportsWhereTheModelCannotFit) {
    // Held at the window's longest latency and recovery, nobody of the 763
    // pupils recovers within the 14 days, so their count cannot fall as it did.
    const std::string examples = PANDEMIE_EXAMPLES_DIR;
    const Outcome run = runCli({"--observed", examples + "/internat.csv", "--population", "763", "--latency",
                                "10", "--recovery", "24", "--runs", "20", "--summary", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning: the model does not fit the observations"), std::string::npos) << run.err;
    const Outcome fitting = runCli({"--observed", examples + "/beobachtet.csv", "--runs", "20"});
    EXPECT_EQ(fitting.err.find("warning"), std::string::npos) << fitting.err;
}

// Weekly new cases by date, in German dates as a spreadsheet writes them.
std::string weeklyFile(const ScratchDirectory& scratch) {
    const auto path = scratch / "weekly.csv";
    scratch::writeFile(path, "date;new_cases\n03.05.2009;2\n10.05.2009;9\n17.05.2009;25\n24.05.2009;31\n");
    return path.string();
}

TEST(cliFit, datedNewCasesAreForecastInTheirRowsTheSameForAnyThreads) {
    const ScratchDirectory scratch;
    const std::vector<std::string> call{"--observed",   weeklyFile(scratch),
                                        "--population", "370",
                                        "--days",       "42",
                                        "--latency",    "2",
                                        "--recovery",   "10",
                                        "--runs",       "20",
                                        "--change",     "2009-05-25:encounters=4",
                                        "--forecast",   "-"};
    const Outcome twoThreads = runCli(with(call, {"--threads", "2"}));
    ASSERT_EQ(twoThreads.status, 0) << twoThreads.err;
    EXPECT_EQ(runCli(with(call, {"--threads", "1"})).out, twoThreads.out);
    const auto rows = lines(twoThreads.out);
    ASSERT_EQ(rows.size(), 7U);  // the header, then weeks 1..6 of the 42 days
    EXPECT_EQ(rows[0], "date,day,series,observed,mean,p10,p50,p90");
    EXPECT_EQ(rows[1].substr(0, 25), "2009-05-03,7,new_cases,2,");
    EXPECT_EQ(rows[6].substr(0, 25), "2009-06-07,42,new_cases,,");
    for (const char* said : {"4 weekly rows (new_cases, 2009-05-03..2009-05-24)", "reporting", "start ",
                             "basic reproduction number", "peak of the infected on 2009-"})
        EXPECT_NE(twoThreads.err.find(said), std::string::npos) << said << "\n" << twoThreads.err;
}

TEST(cliFit, withNothingToFitTheForecastIsRunsOfTheValuesGiven) {
    const ScratchDirectory scratch;
    const std::string observed = countsFile(scratch, "a.csv", 1, "\t");
    const std::vector<std::string> given{"--observed",  observed, "--encounters", "10", "--infection", "8",
                                         "--latency",   "2",      "--recovery",   "14", "--runs",      "30",
                                         "--posterior", "-"};
    const Outcome run = runCli(given);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("nothing to fit: every quantity is held fixed, so the forecast is 30 runs of the "
                           "values given"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("simulations in"), std::string::npos) << run.err;
    const auto rows = lines(run.out);
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[1].rfind("10,8,2,14,1.000000000,", 0), 0U) << rows[1];  // weight 1
    // Dated new cases also fit the share counted and the start, unless both are given.
    const std::vector<std::string> dated{"--observed",   weeklyFile(scratch),
                                         "--population", "370",
                                         "--encounters", "10",
                                         "--infection",  "8",
                                         "--latency",    "2",
                                         "--recovery",   "14",
                                         "--runs",       "30",
                                         "--reporting",  "0.5",
                                         "--first-day",  "7"};
    const Outcome fixedDated = runCli(dated);
    ASSERT_EQ(fixedDated.status, 0) << fixedDated.err;
    EXPECT_NE(fixedDated.err.find("nothing to fit"), std::string::npos) << fixedDated.err;
}

TEST(cliFit, badCallsExitTwoAndKeepTheFiles) {
    const ScratchDirectory scratch;
    const std::string observed = countsFile(scratch, "a.csv", 1, ",");
    const auto bad = (scratch / "bad.csv").string();
    scratch::writeFile(bad, "day,infected\n1,3\n2,x\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> calls{
        {{"--observed", observed, "--summary", observed}, "same file"},
        {{"--observed", bad}, "bad.csv:3: \"x\" is not a number"},
        {{"--observed", observed, "--encounters", "5", "--prior", "encounters=1..4"}, "held fixed"},
        {{"--observed", observed, "--prior", "latency=4..2"}, "FROM must not be greater"},
        {{"--observed", observed, "--first-day", "150"}, "after day 180"},
        {{"--observed", observed, "--sweep", "latency=1..3"}, "cannot be combined"},
        {{"--first-day", "5"}, "needs --observed"},
        {{"--observed", observed, "--population", "10"}, "more than the population"},
        {{"--observed", observed, "--days", "39"}, "day \"40\" is not a whole number in 1..39"},
        {{"--observed", observed, "--days", "60", "--first-day", "30"}, "after day 60"},
        {{"--observed", observed, "--prior", "start=1..9"}, "start needs dates"},
        {{"--observed", observed, "--prior", "reporting=0.1..0.5"}, "reporting needs new_cases"},
        {{"--observed", observed, "--change", "2009-05-25:encounters=4"},
         "a date needs observed counts with dates"},
        {{"--observed", weeklyFile(scratch), "--population", "370", "--reporting", "0"},
         "\"0\" is not a share of the cases counted"},
        {{"--observed", weeklyFile(scratch), "--population", "370", "--change", "2009-02-30:encounters=4"},
         "date \"2009-02-30\" does not exist"},
        {{"--observed", weeklyFile(scratch), "--population", "20"}, "more than the population of 20"},
    };
    for (const auto& [args, message] : calls) {
        const Outcome run = runCli(args);
        EXPECT_EQ(run.status, 2) << args.at(1);
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_EQ(lines(run.err).size(), 1U) << run.err;
    }
    EXPECT_EQ(scratch::readFile(observed).substr(0, 14), "day,infected\r\n");
}

}  // namespace
