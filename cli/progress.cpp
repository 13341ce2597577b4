#include "progress.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <string_view>

namespace pandemie::cli {

namespace {

using namespace std::chrono_literals;

constexpr int barWidth = 40;
constexpr auto pollInterval = 100ms;
constexpr auto quietTime = 1s;  // short ensembles never show a bar

// Progress is decoration: a failed write to the terminal is not an error.
void drawOnStandardError(std::string_view text) {
    const ssize_t ignored = ::write(STDERR_FILENO, text.data(), text.size());
    static_cast<void>(ignored);
}

// Back to the start of the line and over the previous bar, which was no longer.
void redraw(const std::string& line) {
    drawOnStandardError("\r");
    drawOnStandardError(line);
}

}  // namespace

std::string progressLine(std::int64_t done, std::int64_t total) {
    const std::int64_t safeTotal = std::max<std::int64_t>(total, 1);
    const std::int64_t clamped = std::clamp<std::int64_t>(done, 0, safeTotal);
    const auto filled = static_cast<std::size_t>(clamped * barWidth / safeTotal);
    const std::int64_t percent = clamped * 100 / safeTotal;
    std::string line(1, '[');
    line.append(filled, '#').append(barWidth - filled, '.').append("] ");
    if (percent < 100) line += ' ';
    if (percent < 10) line += ' ';
    line.append(std::to_string(percent)).append("%  ").append(std::to_string(clamped));
    return line.append("/").append(std::to_string(total)).append(" runs");
}

void runWithProgress(std::int64_t total, const std::function<void(std::atomic<std::int64_t>* done)>& work) {
    std::atomic<std::int64_t> done{0};
    auto finished = std::async(std::launch::async, [&] { work(&done); });
    if (::isatty(STDERR_FILENO) == 0) return finished.get();

    const auto start = std::chrono::steady_clock::now();
    bool shown = false;
    while (finished.wait_for(pollInterval) != std::future_status::ready) {
        shown = shown || std::chrono::steady_clock::now() - start >= quietTime;
        if (shown) redraw(progressLine(done.load(std::memory_order_relaxed), total));
    }
    if (!shown) return finished.get();
    try {
        finished.get();
        redraw(progressLine(total, total));
        drawOnStandardError("\n");
    } catch (...) {
        drawOnStandardError("\n");  // leave the terminal on a fresh line for the error message
        throw;
    }
}

std::vector<RunSummary> runEnsembleWithProgress(const Parameters& parameters,
                                                const EnsembleOptions& options) {
    std::vector<RunSummary> summaries;
    runWithProgress(options.runs, [&](std::atomic<std::int64_t>* done) {
        summaries = runEnsemble(parameters, options, done);
    });
    return summaries;
}

}  // namespace pandemie::cli
