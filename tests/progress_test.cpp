#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/quoted.h"
#include "messages.h"
#include "progress.h"

namespace {

using pandemie::cli::progressLine;
using std::chrono::seconds;

TEST(cliProgress, lineShowsRunsAndTimesAndFitsTheTerminal) {
    EXPECT_EQ(
        progressLine(500, 1000, seconds(12), 120),
        "[" + std::string(20, '#') + std::string(20, '.') + "]  50%  500/1000 runs  0:12 elapsed  0:12 left");
    EXPECT_EQ(progressLine(0, 7, seconds(3), 120),
              "[" + std::string(40, '.') + "]   0%  0/7 runs  0:03 elapsed  ? left");
    EXPECT_EQ(progressLine(1, 4, seconds(3725), 120).substr(42),
              "  25%  1/4 runs  1:02:05 elapsed  3:06:15 left");
    // A count beyond either end shows as that end.
    EXPECT_EQ(progressLine(9, 7, seconds(1), 80), progressLine(7, 7, seconds(1), 80));
    EXPECT_EQ(progressLine(-2, 7, seconds(1), 80), progressLine(0, 7, seconds(1), 80));
    for (int columns = 1; columns <= 130; ++columns) {
        for (std::int64_t done = 0; done <= 1000; done += 111) {
            const std::string line = progressLine(done, 1000, seconds(4000), columns);
            EXPECT_LT(static_cast<int>(line.size()), std::max(columns, 2)) << columns;
            if (columns >= 30) {
                EXPECT_NE(line.find(std::to_string(done) + "/1000 runs"), std::string::npos);
            }
            const auto filled = std::ranges::count(line, '#');
            if (line.starts_with('[')) {
                EXPECT_EQ(filled, done * static_cast<std::int64_t>(line.find(']') - 1) / 1000);
            }
        }
    }
}

TEST(cliProgress, workRunsToTheEndAndItsExceptionsReachTheCaller) {
    std::int64_t seen = -1;
    pandemie::cli::runWithProgress(3, pandemie::cli::Progress::shown, [&](std::atomic<std::int64_t>* done) {
        done->store(3);
        seen = done->load();
    });
    EXPECT_EQ(seen, 3);
    EXPECT_THROW(pandemie::cli::runWithProgress(
                     3, pandemie::cli::Progress::quiet,
                     [](std::atomic<std::int64_t>*) { throw std::runtime_error("disk full"); }),
                 std::runtime_error);
}

}  // namespace

namespace {

TEST(cliMessages, valuesShowAsTypedInOneLineAndMistypedOptionsFindTheirMatch) {
    using pandemie::io::quotedValue;
    EXPECT_EQ(quotedValue(" 5"), "\" 5\"");
    EXPECT_EQ(quotedValue(""), "\"\"");
    EXPECT_EQ(quotedValue("a\tb\n\x01\x7f\"\\"), R"("a\tb\n\x01\x7f\"\\")");
    EXPECT_EQ(quotedValue("\xc3\xa4\xff\xc3"),
              "\"\xc3\xa4\\xff\\xc3\"");  // an umlaut stays, stray bytes do not
    EXPECT_EQ(quotedValue(std::string(60, '9')), '"' + std::string(60, '9') + '"');
    EXPECT_EQ(quotedValue(std::string(61, '9')), '"' + std::string(60, '9') + "\u2026\"");
    EXPECT_EQ(pandemie::io::shownPath("out/p.png"), "out/p.png");
    EXPECT_EQ(pandemie::io::shownPath("a\nb"), R"("a\nb")");

    const std::vector<std::string> known{"--runs", "--seed", "--summary", "--sweep"};
    EXPECT_EQ(pandemie::cli::closestOption("--run", known), "--runs");
    EXPECT_EQ(pandemie::cli::closestOption("--seeed", known), "--seed");
    EXPECT_EQ(pandemie::cli::closestOption("--swep", known), "--sweep");
    EXPECT_EQ(pandemie::cli::closestOption("--colour", known), "");
}

}  // namespace
