#include "cli/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "model/counted.h"

namespace pandemie::cli {

namespace {

using namespace std::chrono_literals;

constexpr int widestBar = 40;
constexpr int narrowestBar = 10;
constexpr auto quietTime = 1s;  // short jobs never show a line

// "0:07", "12:34", "1:02:03"
std::string clockText(std::chrono::seconds duration) {
    const auto total = std::max<std::int64_t>(0, duration.count());
    const auto hours = total / 3600;
    const auto minutes = total / 60 % 60;
    const auto seconds = total % 60;
    std::array<char, 32> text{};
    const int length =
        hours > 0
            ? std::snprintf(text.data(), text.size(), "%lld:%02lld:%02lld", static_cast<long long>(hours),
                            static_cast<long long>(minutes), static_cast<long long>(seconds))
            : std::snprintf(text.data(), text.size(), "%lld:%02lld", static_cast<long long>(minutes),
                            static_cast<long long>(seconds));
    return {text.data(), static_cast<std::size_t>(std::max(0, length))};
}

std::string percentText(std::int64_t done, std::int64_t total) {
    const std::string percent = std::to_string(done * 100 / total) + "%";
    return std::string(4 - std::min<std::size_t>(4, percent.size()), ' ') + percent;
}

// Time left at the rate so far; unknown before the first run is done.
std::string timeLeftText(std::int64_t done, std::int64_t total, std::chrono::seconds elapsed) {
    if (done == 0) return "?";
    return clockText(std::chrono::seconds(elapsed.count() * (total - done) / done));
}

std::string bar(std::int64_t done, std::int64_t total, int width) {
    const auto filled = static_cast<std::size_t>(done * width / total);
    std::string text(1, '[');
    text.append(filled, '#').append(static_cast<std::size_t>(width) - filled, '.');
    return text += ']';
}

// Progress is decoration: a failed write to the terminal is not an error.
void drawOnStandardError(std::string_view text) {
    const ssize_t ignored = ::write(STDERR_FILENO, text.data(), text.size());
    static_cast<void>(ignored);
}

int terminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

}  // namespace

std::string progressLine(std::int64_t done, std::int64_t total, std::chrono::seconds elapsed, int columns) {
    total = std::max<std::int64_t>(total, 1);
    done = std::clamp<std::int64_t>(done, 0, total);
    const auto room = static_cast<std::size_t>(std::max(1, columns - 1));
    const std::string percent = percentText(done, total);
    const std::string counts = percent + "  " + std::to_string(done) + "/" + counted(total, "run", "runs");
    const std::string times =
        "  " + clockText(elapsed) + " elapsed  " + timeLeftText(done, total, elapsed) + " left";
    // The longest of these that fits: bar and all, all without the bar, fewer
    // fields; a field is shown whole or not at all.
    for (const std::string& text : {counts + times, counts}) {
        const int barWidth = std::min(
            widestBar, static_cast<int>(room) - static_cast<int>(text.size()) - 3);  // brackets and a blank
        if (barWidth >= narrowestBar) return bar(done, total, barWidth) + " " + text;
    }
    const std::string bare = percent.substr(percent.find_first_not_of(' '));
    for (const std::string& text : {counts + times, counts, bare})
        if (text.size() <= room) return text;
    return {};
}

void runWithProgress(std::int64_t total, Progress progress, const Work& work) {
    runWithProgress(total, progress, work, [](std::int64_t localDone, bool localFinished) {
        return JobCount{localDone, localFinished};
    });
}

namespace {

// The line of a job's progress, drawn by the watcher's ticks.
class ProgressDisplay {
public:
    ProgressDisplay(std::int64_t total, Progress progress) : total_(total) {
        const bool terminal = ::isatty(STDERR_FILENO) != 0;
        shown_ = (progress == Progress::shown && terminal) || progress == Progress::forwarded;
        // Into a file a line a tenth of a second would soon fill it; a hundred do not.
        everyPercent_ = progress == Progress::forwarded && !terminal;
    }

    void show(std::int64_t done) {
        if (!shown_ || elapsed() < quietTime) return;
        const std::int64_t percent = done * 100 / std::max<std::int64_t>(total_, 1);
        if (everyPercent_ && percent == shownPercent_) return;
        shownPercent_ = percent;
        redraw(done);
    }
    // The full line once the work is done, and a fresh line for what follows.
    void close(bool completed) {
        if (!drawn_) return;
        if (completed) redraw(total_);
        drawOnStandardError("\n");
    }

private:
    [[nodiscard]] std::chrono::seconds elapsed() const {
        return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_);
    }
    void redraw(std::int64_t done) {
        // Back to the start of the line, and the rest of it erased.
        drawOnStandardError("\r\x1b[K" + progressLine(done, total_, elapsed(), terminalColumns()));
        drawn_ = true;
    }

    std::int64_t total_;
    bool shown_ = false;
    bool everyPercent_ = false;
    std::int64_t shownPercent_ = -1;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

void watchWithLine(std::int64_t total, Progress progress, const Work& work, const JobCounter& count,
                   app::WorkThread where) {
    ProgressDisplay display(total, progress);
    try {
        app::watchWork(
            work,
            [&](std::int64_t localDone, bool localFinished) {
                const JobCount job = count(localDone, localFinished);
                if (localFinished && job.complete) return true;
                display.show(job.done);
                return false;
            },
            where);
    } catch (...) {
        display.close(false);  // leave the terminal on a fresh line for the error message
        throw;
    }
    display.close(true);
}

}  // namespace

void runHereWithProgress(std::int64_t total, Progress progress, const Work& work) {
    watchWithLine(
        total, progress, work,
        [](std::int64_t localDone, bool localFinished) {
            return JobCount{localDone, localFinished};
        },
        app::WorkThread::calling);
}

void runWithProgress(std::int64_t total, Progress progress, const Work& work, const JobCounter& count) {
    watchWithLine(total, progress, work, count, app::WorkThread::own);
}

}  // namespace pandemie::cli
