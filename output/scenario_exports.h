#pragma once
// The tables of scenario comparisons and sweeps. Numbers have fixed decimals,
// so equal statistics always give equal bytes.

#include <string>
#include <vector>

#include "model/scenario.h"
#include "output/table.h"

namespace pandemie::output {

// The ensemble tables with a first column naming the scenario, one block of
// rows per scenario: scenario,measure,mean,p10,p50,p90 and
// scenario,day,series,mean,p10,p50,p90.
[[nodiscard]] Table scenarioSummaryTable(const std::vector<Scenario>& scenarios,
                                         const ScenarioResults& results);
[[nodiscard]] Table scenarioBandsTable(const std::vector<Scenario>& scenarios,
                                       const ScenarioResults& results);
[[nodiscard]] inline std::string scenarioSummaryCsv(const std::vector<Scenario>& scenarios,
                                                    const ScenarioResults& results) {
    return csvOf(scenarioSummaryTable(scenarios, results));
}
[[nodiscard]] inline std::string scenarioBandsCsv(const std::vector<Scenario>& scenarios,
                                                  const ScenarioResults& results) {
    return csvOf(scenarioBandsTable(scenarios, results));
}

// scenario,against,measure,mean,p10,p50,p90: for each scenario after the
// first, its runs minus the first scenario's runs on the same seeds.
[[nodiscard]] Table differencesTable(const std::vector<Scenario>& scenarios, const ScenarioResults& results);
[[nodiscard]] inline std::string differencesCsv(const std::vector<Scenario>& scenarios,
                                                const ScenarioResults& results) {
    return csvOf(differencesTable(scenarios, results));
}

// Each scenario's summary for a reader, headed by its name.
[[nodiscard]] std::string scenarioSummaryText(const std::vector<Scenario>& scenarios,
                                              const ScenarioResults& results);

// One row per point in grid order: the swept values, runs, then mean, p10,
// p50 and p90 of each measure, then the share of runs without an infected
// person on day D.
[[nodiscard]] Table sweepTable(const std::vector<SweepAxis>& axes, const std::vector<Scenario>& grid,
                               const ScenarioResults& results);
[[nodiscard]] inline std::string sweepCsv(const std::vector<SweepAxis>& axes,
                                          const std::vector<Scenario>& grid, const ScenarioResults& results) {
    return csvOf(sweepTable(axes, grid, results));
}

}  // namespace pandemie::output
