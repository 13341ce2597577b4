#pragma once
// Reading a file the tool takes in, whole, for a parser that checks its length.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pandemie::input {

enum class InputKind : std::uint8_t {
    anyReadable,  // a pipe or a device as well, read up to the limit
    regularFile,  // a directory, a pipe or a device refused before it is opened
};

// The path that names standard input, as "-" names standard output.
inline constexpr std::string_view standardInput = "-";

// The first maxBytes + 1 bytes of the file at path, or all of it if shorter:
// the byte beyond maxBytes tells the caller the file is too long, and a
// device without end is not read on. Messages start with `shown`, which
// names the file ("--scenarios: s.toml"). The path "-" reads standard
// input, whatever it is. Throws UsageError.
[[nodiscard]] std::string readInputFile(const std::string& path, const std::string& shown,
                                        std::size_t maxBytes, InputKind kind);

// A path as messages about the file's contents name it: "standard input" for "-".
[[nodiscard]] std::string shownInput(std::string_view path);

// The end of the first line of text: at its LF, CRLF or lone CR (the line
// end of old Mac files), or at the end of text; `next` is set to where the
// next line begins, past text.size() after the last.
[[nodiscard]] std::size_t lineEndAt(std::string_view text, std::size_t& next);

}  // namespace pandemie::input
