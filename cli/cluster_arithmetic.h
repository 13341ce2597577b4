#pragma once
// The arithmetic of a job's processes, the same with and without MPI: which
// runs a process takes, and the sum of every process's statistics counters.

#include <cstdint>
#include <functional>
#include <vector>

#include "model/scenario.h"

namespace pandemie::cli {

// A contiguous block of the runs 0..runs-1.
struct RunShare {
    std::int64_t first = 0;
    std::int64_t count = 0;
};

// The runs of process `rank` of `size`: the first (runs mod size) processes take one more.
[[nodiscard]] RunShare shareOfRuns(std::int64_t runs, int rank, int size) noexcept;

// Gets this process's counters of one batch and returns their sums over all
// processes, or nothing where the sums are not kept.
using CounterSum = std::function<std::vector<std::uint64_t>(std::vector<std::uint64_t>& counters)>;

// Replaces every counter of `results` by its sum through `sum`, in batches of
// about a million counters, so that a large sweep needs no second copy of all
// of its histograms. Where `sum` returns nothing, `results` stay as they are.
void sumCounters(ScenarioResults& results, const CounterSum& sum);

}  // namespace pandemie::cli
