#pragma once
// Values and paths as error messages show them.

#include <string>
#include <string_view>

namespace pandemie::io {

// text in double quotes, so that blanks show: bytes that do not print are
// escaped ("\t", "\x01", a C1 control as "\xc2\x85", a byte of no UTF-8
// character as "\xff"), and after 60 characters the rest is cut to "…".
[[nodiscard]] std::string quotedValue(std::string_view text);

// A path as typed when it prints as one plain line of at most 200
// characters, else quoted as a value is, cut after 200 characters.
[[nodiscard]] std::string shownPath(std::string_view path);

}  // namespace pandemie::io
