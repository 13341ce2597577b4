#pragma once
// An ensemble run with a progress bar on standard error, shown only when that
// is a terminal and the ensemble takes longer than a second.

#include <cstdint>
#include <string>
#include <vector>

#include "ensemble.h"

namespace pandemie::cli {

// "[##########..........]  50%  500/1000 runs"
[[nodiscard]] std::string progressLine(std::int64_t done, std::int64_t total);

[[nodiscard]] std::vector<RunSummary> runEnsembleWithProgress(const Parameters& parameters,
                                                              const EnsembleOptions& options);

}  // namespace pandemie::cli
