#pragma once
// Which characters a line of text may show: valid UTF-8 without control
// characters (C0, DEL and C1) and without line or paragraph separators.

#include <cstddef>
#include <string_view>

namespace pandemie::io {

// The length in bytes of the printable character that text starts with, or
// 0 when it starts with a control character, a separator or a byte of no
// UTF-8 character.
[[nodiscard]] std::size_t printableCharacterLength(std::string_view text) noexcept;

// Whether text is one line of printable characters.
[[nodiscard]] bool isPrintableLine(std::string_view text) noexcept;

}  // namespace pandemie::io
