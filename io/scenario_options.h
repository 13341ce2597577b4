#pragma once
// The options of interventions, scenarios and sweeps, parsed from their text.
// Bad input throws UsageError with a one-line message that follows the
// option's name, as in "--sweep: \"x\": expected NAME=VALUE, got \"x\"".

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/whole_number.h"
#include "model/scenario.h"

namespace pandemie::io {

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

// A fit's prior: each parameter's whole range, or its value alone where it
// is held fixed (fixed[p]), narrowed by `priors` (from parsePrior), one per
// parameter and none for a fixed one. Messages begin with `option` and
// say that a fixed one is held fixed by `fixedBy`.
[[nodiscard]] std::array<ParameterRange, parameterTable.size()> fitPrior(
    const Parameters& parameters, const std::array<bool, parameterTable.size()>& fixed,
    const std::vector<std::pair<Parameter, ParameterRange>>& priors, std::string_view option,
    std::string_view fixedBy);

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

// Scenarios of a fit's forecast: the fit gives the parameters (`fitted`, the
// scenarios' defaults), so a scenario holds only changes, all after the last
// observed day. Messages begin with `prefix` and the scenario's name;
// `observedOption` names where the observations come from.
void checkScenariosOfFit(const std::vector<Scenario>& scenarios, const Parameters& fitted,
                         int lastObservedDay, std::string_view prefix, std::string_view observedOption);

}  // namespace pandemie::io
