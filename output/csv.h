#pragma once
// The tool's tables of runs: one run's days and an ensemble's runs.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/ensemble.h"
#include "model/model.h"
#include "output/table.h"

namespace pandemie::output {

// day,not_infected,infected,recovered for days 1..D.
[[nodiscard]] Table trajectoryTable(const Trajectory& trajectory);
[[nodiscard]] inline std::string trajectoryCsv(const Trajectory& trajectory) {
    return csvOf(trajectoryTable(trajectory));
}

// run,seed,peak_infected,peak_day,final_not_infected,final_infected,final_recovered,
// one row per summary in the given order, numbered from firstRun; the seed unsigned.
[[nodiscard]] Table ensembleTable(std::span<const RunSummary> summaries, std::int64_t firstRun = 0);
// csvOf(ensembleTable(summaries)), made in parts: a million runs' table at
// once would take more memory than its text.
[[nodiscard]] std::string ensembleCsv(std::span<const RunSummary> summaries);

}  // namespace pandemie::output
