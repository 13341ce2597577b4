#pragma once
// A long job with a progress line on standard error, shown only when that is
// a terminal, the job takes longer than a second and the user did not ask
// for quiet.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "app/watch.h"

namespace pandemie::cli {

// "[#########.........]  50%  500/1000 runs  0:12 elapsed  0:12 left", made to
// fit `columns` terminal columns: the bar narrows first, then goes, then the
// times, then the counts, down to "50%" or nothing, never a field cut short;
// the line never reaches the last column, so it never wraps.
[[nodiscard]] std::string progressLine(std::int64_t done, std::int64_t total, std::chrono::seconds elapsed,
                                       int columns);

// `forwarded`: standard error goes through a launcher such as mpirun, which
// passes it on to the user's terminal or to a file, so it is never a
// terminal itself; the line is drawn whenever the percentage changes.
enum class Progress : std::uint8_t { shown, quiet, forwarded };

using Work = app::Work;

// Calls work(done) on a helper thread and shows done/total meanwhile;
// exceptions of work reach the caller.
void runWithProgress(std::int64_t total, Progress progress, const Work& work);

// The same with work on the calling thread and the line drawn from a helper
// thread: for work that calls MPI, which only the main thread may.
void runHereWithProgress(std::int64_t total, Progress progress, const Work& work);

// The runs finished in a job of several processes, and whether all are.
struct JobCount {
    std::int64_t done = 0;
    bool complete = false;
};
// Called on the calling thread every tenth of a second with this process's
// count and whether its work has returned.
using JobCounter = std::function<JobCount(std::int64_t localDone, bool localFinished)>;

// The same for a job of several processes: shows the job's count and returns
// once work has returned and the counter says the job is complete.
void runWithProgress(std::int64_t total, Progress progress, const Work& work, const JobCounter& count);

}  // namespace pandemie::cli
