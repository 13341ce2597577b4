#pragma once
// The tool's two tables as comma-separated text, one line per row, "\n" endings.

#include <string>
#include <vector>

#include "model/ensemble.h"
#include "model/model.h"

namespace pandemie::output {

// day,not_infected,infected,recovered for days 1..180.
[[nodiscard]] std::string trajectoryCsv(const Trajectory& trajectory);

// run,seed,peak_infected,peak_day,final_not_infected,final_infected,final_recovered,
// one row per summary in the given order, numbered from 0.
[[nodiscard]] std::string ensembleCsv(const std::vector<RunSummary>& summaries);

}  // namespace pandemie::output
