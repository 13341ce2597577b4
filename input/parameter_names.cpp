#include "input/parameter_names.h"

#include <vector>

#include "input/closest_name.h"
#include "input/quoted.h"
#include "input/usage_error.h"

namespace pandemie::input {

WholeRange wholeRange(Parameter parameter) {
    const ParameterRange range = toolRange(parameter);
    return {static_cast<std::uint64_t>(range.min), static_cast<std::uint64_t>(range.max)};
}

std::string parameterList() {
    std::vector<std::string> names;
    names.reserve(parameterTable.size());
    for (const ParameterInfo& info : parameterTable) names.emplace_back(info.name);
    return listedNames(names);
}

std::pair<Parameter, std::string_view> parameterAssignment(std::string_view text,
                                                           const std::string& context) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        throw UsageError(context + "expected NAME=VALUE, got " + quotedValue(text));
    const auto parameter = parameterNamed(text.substr(0, equals));
    if (!parameter)
        throw UsageError(context + "unknown parameter " + quotedValue(text.substr(0, equals)) +
                         "; expected " + parameterList());
    return {*parameter, text.substr(equals + 1)};
}

int parameterValueIn(std::string_view text, WholeRange range, const std::string& context) {
    const auto value = parseWholeNumber(text, range);
    if (!value) throw UsageError(context + notInRangeMessage(text, range));
    return static_cast<int>(*value);
}

std::vector<std::string_view> commaSeparated(std::string_view text) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(',', start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

}  // namespace pandemie::input
