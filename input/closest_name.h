#pragma once
// Known names as messages list them, and the one a mistyped name was meant for.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pandemie::input {

// The known names `given` may have been meant for, letter case aside: the one
// it spells, else every one it is the start of (when it has more than two
// characters) in alphabetical order, else the nearest at most two edits apart
// (a swap of two neighbouring letters is one edit), else none.
[[nodiscard]] std::vector<std::string> meantNames(std::string_view given, std::span<const std::string> known);

// The one name of meantNames, or "" when there are none or several.
[[nodiscard]] std::string closestName(std::string_view given, std::span<const std::string> known);

// The names in order as a message lists them: "a, b or c" ("a, b and c").
[[nodiscard]] std::string listedNames(std::span<const std::string> names, std::string_view lastJoin = " or ");

}  // namespace pandemie::input
