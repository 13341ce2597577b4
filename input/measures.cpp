#include "input/measures.h"

#include <vector>

#include "input/closest_name.h"
#include "input/quoted.h"
#include "input/usage_error.h"

namespace pandemie::input {

std::string outcomeList() {
    std::vector<std::string> names;
    names.reserve(outcomeTable.size());
    for (const OutcomeInfo& info : outcomeTable) names.emplace_back(info.name);
    return listedNames(names);
}

Outcome parseMeasure(const std::string& text) {
    if (const auto outcome = outcomeNamed(text)) return *outcome;
    throw UsageError("unknown measure " + quotedValue(text) + "; expected " + outcomeList());
}

}  // namespace pandemie::input
