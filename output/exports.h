#pragma once
// The ensemble's export tables and summary. Numbers have fixed decimals, so
// equal statistics always give equal bytes.

#include <string>

#include "model/band_stats.h"

namespace pandemie::output {

// The value with exactly that many decimals, as printf's %.*f writes it.
[[nodiscard]] std::string fixed(double value, int decimals);

// The figures of one outcome's values, each behind a comma: the mean with
// three decimals, then the 10th, 50th and 90th percentile.
void appendFigures(std::string& csv, const CountHistogram& values);

// day,series,mean,p10,p50,p90 for days 1..180, each day's rows in the order
// not_infected, infected, recovered; values in percent of the 1000 counted
// persons, the mean with three decimals, percentiles with one.
[[nodiscard]] std::string bandsCsv(const BandStatistics& statistics);

// measure,mean,p10,p50,p90 for peak_infected (persons), peak_day and
// final_recovered (persons), then runs_without_infected_on_day_180 as a
// share of the runs in the mean column.
[[nodiscard]] std::string summaryCsv(const OutcomeStatistics& statistics);

// The same figures as lines for a reader, for standard error.
[[nodiscard]] std::string summaryText(const OutcomeStatistics& statistics);

}  // namespace pandemie::output
