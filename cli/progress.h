#pragma once
// A long job with a progress line on standard error, shown only when that is
// a terminal, the job takes longer than a second and the user did not ask
// for quiet.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace pandemie::cli {

// "[#########.........]  50%  500/1000 runs  0:12 elapsed  0:12 left", made to
// fit `columns` terminal columns: the bar narrows first, then goes, then the
// times; the line never reaches the last column, so it never wraps.
[[nodiscard]] std::string progressLine(std::int64_t done, std::int64_t total, std::chrono::seconds elapsed,
                                       int columns);

enum class Progress : std::uint8_t { shown, quiet };

// Calls work(done) on a helper thread and shows done/total meanwhile;
// exceptions of work reach the caller.
void runWithProgress(std::int64_t total, Progress progress,
                     const std::function<void(std::atomic<std::int64_t>* done)>& work);

}  // namespace pandemie::cli
