#pragma once
// The tables of scenario comparisons and sweeps. Numbers have fixed decimals,
// so equal statistics always give equal bytes.

#include <string>
#include <vector>

#include "model/scenario.h"

namespace pandemie::output {

// The ensemble tables with a first column naming the scenario, one block of
// rows per scenario: scenario,measure,mean,p10,p50,p90 and
// scenario,day,series,mean,p10,p50,p90.
[[nodiscard]] std::string scenarioSummaryCsv(const std::vector<Scenario>& scenarios,
                                             const ScenarioResults& results);
[[nodiscard]] std::string scenarioBandsCsv(const std::vector<Scenario>& scenarios,
                                           const ScenarioResults& results);

// scenario,against,measure,mean,p10,p50,p90: for each scenario after the
// first, its runs minus the first scenario's runs on the same seeds.
[[nodiscard]] std::string differencesCsv(const std::vector<Scenario>& scenarios,
                                         const ScenarioResults& results);

// Each scenario's summary for a reader, headed by its name.
[[nodiscard]] std::string scenarioSummaryText(const std::vector<Scenario>& scenarios,
                                              const ScenarioResults& results);

// One row per point in grid order: the swept values, runs, then mean, p10,
// p50 and p90 of each measure, then the share of runs without an infected
// person on day 180.
[[nodiscard]] std::string sweepCsv(const std::vector<SweepAxis>& axes, const std::vector<Scenario>& grid,
                                   const ScenarioResults& results);

}  // namespace pandemie::output
