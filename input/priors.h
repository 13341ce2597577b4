#pragma once
// A fit's prior range of one parameter (--prior): NAME=FROM..TO.

#include <string>
#include <utility>

#include "model/parameters.h"

namespace pandemie::input {

// NAME=FROM..TO within the parameter's range, FROM at most TO. Throws
// UsageError with a one-line message that follows the option's name.
[[nodiscard]] std::pair<Parameter, ParameterRange> parsePrior(const std::string& text);

}  // namespace pandemie::input
