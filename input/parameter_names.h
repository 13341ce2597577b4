#pragma once
// The parameters as options name them (NAME=VALUE) and the values each takes.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "input/whole_number.h"
#include "model/parameters.h"

namespace pandemie::input {

// The values the parameter's option takes: its slider's range.
[[nodiscard]] WholeRange wholeRange(Parameter parameter);

// The names of parameterTable: "encounters, infection, latency or recovery".
[[nodiscard]] std::string parameterList();

// NAME=VALUE split at the '=': the parameter named and the text of its value.
// Throws UsageError, its message after `context`, for text without '=' or an
// unknown name.
[[nodiscard]] std::pair<Parameter, std::string_view> parameterAssignment(std::string_view text,
                                                                         const std::string& context);

// The value of a parameter's text in range; throws UsageError, its message
// after `context`, otherwise.
[[nodiscard]] int parameterValueIn(std::string_view text, WholeRange range, const std::string& context);

// The parts of text between commas, empty ones included.
[[nodiscard]] std::vector<std::string_view> commaSeparated(std::string_view text);

}  // namespace pandemie::input
