#pragma once
// Known names as messages list them, and the one a mistyped name was meant for.

#include <span>
#include <string>
#include <string_view>

namespace pandemie::input {

// The known name `given` was meant for: the only one it is the start of
// (when it has more than two characters), else the nearest at most two
// letters apart, else "".
[[nodiscard]] std::string closestName(std::string_view given, std::span<const std::string> known);

// The names in order as a message lists them: "a, b or c".
[[nodiscard]] std::string listedNames(std::span<const std::string> names);

}  // namespace pandemie::input
