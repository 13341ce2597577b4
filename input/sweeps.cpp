#include "input/sweeps.h"

#include <algorithm>

#include "input/parameter_names.h"
#include "input/quoted.h"
#include "input/usage_error.h"

namespace pandemie::input {

SweepAxis parseSweep(const std::string& text) {
    const std::string context = quotedValue(text) + ": ";
    const auto [parameter, values] = parameterAssignment(text, context);
    const WholeRange range = wholeRange(parameter);
    const std::string valueContext = context + std::string(infoOf(parameter).name) + " ";
    SweepAxis axis{parameter, {}};
    if (const std::size_t dots = values.find(".."); dots != std::string_view::npos) {
        const std::string_view rest = values.substr(dots + 2);
        const std::size_t colon = rest.find(':');
        const int from = parameterValueIn(values.substr(0, dots), range, valueContext);
        const int to = parameterValueIn(rest.substr(0, colon), range, valueContext);
        const int step = colon == std::string_view::npos
                             ? 1
                             : parameterValueIn(rest.substr(colon + 1), {1, range.max}, context + "step ");
        if (from > to) throw UsageError(context + "FROM must not be greater than TO");
        for (int value = from; value <= to; value += step) axis.values.push_back(value);
    } else {
        for (const std::string_view part : commaSeparated(values))
            axis.values.push_back(parameterValueIn(part, range, valueContext));
        std::ranges::sort(axis.values);
        if (std::ranges::adjacent_find(axis.values) != axis.values.end())
            throw UsageError(context + "a value is given twice");
    }
    return axis;
}

}  // namespace pandemie::input
