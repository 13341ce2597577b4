#pragma once
// The command line as text that a shell reads back to the same arguments.

#include <string>
#include <string_view>

namespace pandemie::output {

// argument as bash reads it back: plain when it has only letters, digits
// and "_./=:,+-%@"; else in single quotes; with bytes that are not printable
// UTF-8 in the ANSI-C form $'...\xHH...'. The text is always valid UTF-8.
[[nodiscard]] std::string shellQuoted(std::string_view argument);

// The arguments as a shell would need them typed again, without --threads
// and --quiet, which change no result.
[[nodiscard]] std::string commandLineText(int argc, const char* const* argv);

}  // namespace pandemie::output
