#pragma once
// The ensemble's export tables and summary. Numbers have fixed decimals, so
// equal statistics always give equal bytes.

#include <span>
#include <string>

#include "model/band_stats.h"
#include "output/table.h"

namespace pandemie::output {

// The value with exactly that many decimals, as printf's %.*f writes it.
[[nodiscard]] std::string fixed(double value, int decimals);

// The figures of one outcome's values into four columns: the mean with the
// column's decimals, then the 10th, 50th and 90th percentile.
void addFigures(std::span<Column> columns, const CountHistogram& values);

// day,series,mean,p10,p50,p90 for days 1..D, each day's rows in the order
// not_infected, infected, recovered; values in percent of the N counted
// persons (of band units, so exact with one decimal), the mean with three
// decimals, percentiles with one.
[[nodiscard]] Table bandsTable(const BandStatistics& statistics);
[[nodiscard]] inline std::string bandsCsv(const BandStatistics& statistics) {
    return csvOf(bandsTable(statistics));
}

// measure,mean,p10,p50,p90 for peak_infected (persons of N), peak_day and
// final_recovered (persons of N), the mean with three decimals, then
// runs_without_infected_on_day_D as a share of the runs with six
// decimals in the mean column, its percentiles empty.
[[nodiscard]] Table summaryTable(const OutcomeStatistics& statistics);
[[nodiscard]] inline std::string summaryCsv(const OutcomeStatistics& statistics) {
    return csvOf(summaryTable(statistics));
}
// Those rows into the columns measure,mean,p10,p50,p90.
void addSummaryRows(std::span<Column> columns, const OutcomeStatistics& statistics);

// The same figures as lines for a reader, for standard error.
[[nodiscard]] std::string summaryText(const OutcomeStatistics& statistics);

}  // namespace pandemie::output
