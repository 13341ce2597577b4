#include "input/priors.h"

#include "input/parameter_names.h"
#include "input/quoted.h"
#include "input/usage_error.h"

namespace pandemie::input {

std::pair<Parameter, ParameterRange> parsePrior(const std::string& text) {
    const std::string context = quotedValue(text) + ": ";
    const auto [parameter, values] = parameterAssignment(text, context);
    const std::size_t dots = values.find("..");
    if (dots == std::string_view::npos) throw UsageError(context + "expected NAME=FROM..TO");
    const WholeRange range = wholeRange(parameter);
    const std::string valueContext = context + std::string(infoOf(parameter).name) + " ";
    const int from = parameterValueIn(values.substr(0, dots), range, valueContext);
    const int to = parameterValueIn(values.substr(dots + 2), range, valueContext);
    if (from > to) throw UsageError(context + "FROM must not be greater than TO");
    return {parameter, {from, to}};
}

}  // namespace pandemie::input
