#pragma once
// The options of interventions, scenarios and sweeps, parsed from their text.
// Bad input throws io::UsageError with a one-line message that follows the
// option's name, as in "--sweep: \"x\": expected NAME=VALUE, got \"x\"".

#include <string>
#include <vector>

#include "cli/whole_number.h"
#include "model/scenario.h"

namespace pandemie::cli {

// The values the parameter's option takes: its slider's range.
[[nodiscard]] WholeRange wholeRange(Parameter parameter);

// Adds the changes of text, DAY:NAME=VALUE[,NAME=VALUE...], to changes
// (which sortedByDay then orders). A parameter changed twice on one day,
// here or in changes already, is refused.
void addChanges(Schedule& changes, const std::string& text);

// NAME=FROM..TO[:STEP] or NAME=V1,V2,...; the values ascending.
[[nodiscard]] SweepAxis parseSweep(const std::string& text);

// NAME=FROM..TO within the parameter's range, FROM at most TO.
[[nodiscard]] std::pair<Parameter, ParameterRange> parsePrior(const std::string& text);

// The names of parameterTable: "encounters, infection, latency or recovery".
[[nodiscard]] std::string parameterList();

// The names of outcomeTable, such as "peak_infected, peak_day or final_recovered".
[[nodiscard]] std::string outcomeList();

// One of outcomeTable's names.
[[nodiscard]] Outcome parseMeasure(const std::string& text);

// The scenarios of a TOML file: [[scenario]] tables with a name, parameters
// (those left out from defaults) and [[scenario.change]] tables with a day
// and new values. Errors name --scenarios, the file and the line.
[[nodiscard]] std::vector<Scenario> loadScenarios(const std::string& path, const Parameters& defaults);

}  // namespace pandemie::cli
