#pragma once
// The name a mistyped one was meant for, for messages that suggest it.

#include <span>
#include <string>
#include <string_view>

namespace pandemie::io {

// The known name `given` was meant for: the only one it is the start of
// (when it has more than two characters), else the nearest at most two
// letters apart, else "".
[[nodiscard]] std::string closestName(std::string_view given, std::span<const std::string> known);

}  // namespace pandemie::io
