#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "progress.h"

namespace {

using pandemie::cli::progressLine;

TEST(cliProgress, barFillsInProportionAndClampsTheCount) {
    EXPECT_EQ(progressLine(500, 1000),
              "[" + std::string(20, '#') + std::string(20, '.') + "]  50%  500/1000 runs");
    EXPECT_EQ(progressLine(0, 7), "[" + std::string(40, '.') + "]   0%  0/7 runs");
    EXPECT_EQ(progressLine(7, 7), "[" + std::string(40, '#') + "] 100%  7/7 runs");
    // A count beyond either end shows as that end; the bar keeps its width.
    EXPECT_EQ(progressLine(9, 7), progressLine(7, 7));
    EXPECT_EQ(progressLine(-2, 7), progressLine(0, 7));
    for (std::int64_t done = 0; done <= 1000; done += 37) {
        const std::string line = progressLine(done, 1000);
        EXPECT_EQ(std::ranges::count(line, '#'), done * 40 / 1000);
        EXPECT_EQ(line.find(']'), 41U);
    }
}

TEST(cliProgress, workRunsToTheEndAndItsExceptionsReachTheCaller) {
    std::int64_t seen = -1;
    pandemie::cli::runWithProgress(3, [&](std::atomic<std::int64_t>* done) {
        done->store(3);
        seen = done->load();
    });
    EXPECT_EQ(seen, 3);
    EXPECT_THROW(pandemie::cli::runWithProgress(
                     3, [](std::atomic<std::int64_t>*) { throw std::runtime_error("disk full"); }),
                 std::runtime_error);
}

}  // namespace
