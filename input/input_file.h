#pragma once
// Reading a file the tool takes in, whole, for a parser that checks its length.

#include <cstddef>
#include <cstdint>
#include <string>

namespace pandemie::input {

enum class InputKind : std::uint8_t {
    anyReadable,  // a pipe or a device as well, read up to the limit
    regularFile,  // a directory, a pipe or a device refused before it is opened
};

// The first maxBytes + 1 bytes of the file at path, or all of it if shorter:
// the byte beyond maxBytes tells the caller the file is too long, and a
// device without end is not read on. Messages start with `shown`, which
// names the file ("--scenarios: s.toml"). Throws UsageError.
[[nodiscard]] std::string readInputFile(const std::string& path, const std::string& shown,
                                        std::size_t maxBytes, InputKind kind);

}  // namespace pandemie::input
