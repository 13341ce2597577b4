#pragma once
// A known option suggested for a mistyped one.

#include <span>
#include <string>
#include <string_view>

namespace pandemie::cli {

// The known option nearest to `given`, at most two letters apart, or "".
[[nodiscard]] std::string closestOption(std::string_view given, std::span<const std::string> known);

}  // namespace pandemie::cli
