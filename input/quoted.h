#pragma once
// Values and paths as error messages show them.

#include <string>
#include <string_view>

namespace pandemie::input {

// text in double quotes, so that blanks show: what does not print as itself
// is escaped ("\t", "\x01", a C1 control as "\xc2\x85", a byte of no UTF-8
// character as "\xff", U+2028 as "\xe2\x80\xa8", a byte order mark as
// "\xef\xbb\xbf"), and after 60 characters the rest is cut to "…".
[[nodiscard]] std::string quotedValue(std::string_view text);

// A path as typed when it prints as one plain line of at most 200
// characters, else quoted as a value is, cut after 200 characters.
[[nodiscard]] std::string shownPath(std::string_view path);

// text with every character that does not print as itself (see
// characters.h) as its bytes in the form \xHH, for a message that takes
// text from elsewhere, such as a parser's.
[[nodiscard]] std::string escapedLine(std::string_view text);

}  // namespace pandemie::input
