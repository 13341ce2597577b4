#include "input/fit_request_checks.h"

#include <string>

#include "input/quoted.h"
#include "input/usage_error.h"

namespace pandemie::input {

std::array<ParameterRange, parameterTable.size()> fitPrior(
    const Parameters& parameters, const std::array<bool, parameterTable.size()>& fixed,
    const std::vector<std::pair<Parameter, ParameterRange>>& priors, std::string_view option,
    std::string_view fixedBy) {
    std::array<ParameterRange, parameterTable.size()> prior{};
    for (const ParameterInfo& info : parameterTable) {
        const auto p = static_cast<std::size_t>(info.parameter);
        const int value = parameterValue(parameters, info.parameter);
        prior[p] = fixed[p] ? ParameterRange{value, value} : ParameterRange{info.min, info.max};
    }
    for (std::size_t i = 0; i < priors.size(); ++i) {
        const auto [parameter, range] = priors[i];
        const std::string name(infoOf(parameter).name);
        if (fixed[static_cast<std::size_t>(parameter)])
            throw UsageError(std::string(option) + name + " is held fixed by " + std::string(fixedBy));
        for (std::size_t j = 0; j < i; ++j)
            if (priors[j].first == parameter)
                throw UsageError(std::string(option) + name + " is given twice");
        prior[static_cast<std::size_t>(parameter)] = range;
    }
    return prior;
}

void checkScenariosOfFit(const std::vector<Scenario>& scenarios, const Parameters& fitted,
                         int lastObservedDay, std::string_view prefix, std::string_view observedOption) {
    for (const Scenario& scenario : scenarios) {
        const std::string name = std::string(prefix) + quotedValue(scenario.name);
        if (scenario.parameters != fitted)
            throw UsageError(name + " sets parameters; with " + std::string(observedOption) +
                             " they come from the fit, and a scenario holds only changes");
        for (const Change& change : scenario.changes)
            if (change.day <= lastObservedDay)
                throw UsageError(name + " changes day " + std::to_string(change.day) +
                                 ", not after the last observed day " + std::to_string(lastObservedDay));
    }
}

}  // namespace pandemie::input
