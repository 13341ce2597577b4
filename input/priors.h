#pragma once
// A fit's prior range of one quantity (--prior NAME=FROM..TO) and the share
// of cases counted (--reporting).

#include <string>
#include <string_view>
#include <utility>

#include "model/fit.h"

namespace pandemie::input {

// NAME=FROM..TO within the quantity's range, FROM at most TO: a parameter's
// whole numbers, reporting's shares 0.001..1, start's days. Throws
// UsageError with a one-line message that follows the option's name.
[[nodiscard]] std::pair<FitQuantity, ParameterRange> parsePrior(const std::string& text);

// A share of the cases counted, 0.001..1 in steps of 0.001, in the grid's
// units (1..1000). Throws UsageError, its message after `context`.
[[nodiscard]] int reportingIn(std::string_view text, const std::string& context = "");

}  // namespace pandemie::input
