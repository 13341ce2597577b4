#pragma once
// What a fit's request must satisfy beyond each option's own text: the prior
// it is given and the scenarios of its forecast. Messages are one line and
// throw UsageError.

#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "model/scenario.h"

namespace pandemie::input {

// A fit's prior: each parameter's whole range, or its value alone where it
// is held fixed (fixed[p]), narrowed by `priors` (from parsePrior), one per
// parameter and none for a fixed one. Messages begin with `option` and
// say that a fixed one is held fixed by `fixedBy`.
[[nodiscard]] std::array<ParameterRange, parameterTable.size()> fitPrior(
    const Parameters& parameters, const std::array<bool, parameterTable.size()>& fixed,
    const std::vector<std::pair<Parameter, ParameterRange>>& priors, std::string_view option,
    std::string_view fixedBy);

// Scenarios of a fit's forecast: the fit gives the parameters (`fitted`, the
// scenarios' defaults), so a scenario holds only changes, all after the last
// observed day. Messages begin with `prefix` and the scenario's name;
// `observedOption` names where the observations come from.
void checkScenariosOfFit(const std::vector<Scenario>& scenarios, const Parameters& fitted,
                         int lastObservedDay, std::string_view prefix, std::string_view observedOption);

}  // namespace pandemie::input
