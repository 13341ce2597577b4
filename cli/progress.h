#pragma once
// An ensemble run with a progress bar on standard error, shown only when that
// is a terminal and the ensemble takes longer than a second.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ensemble.h"

namespace pandemie::cli {

// "[##########..........]  50%  500/1000 runs"
[[nodiscard]] std::string progressLine(std::int64_t done, std::int64_t total);

// Calls work(done) on a helper thread and shows done/total meanwhile;
// exceptions of work reach the caller.
void runWithProgress(std::int64_t total, const std::function<void(std::atomic<std::int64_t>* done)>& work);

[[nodiscard]] std::vector<RunSummary> runEnsembleWithProgress(const Parameters& parameters,
                                                              const EnsembleOptions& options);

}  // namespace pandemie::cli
