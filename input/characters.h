#pragma once
// The one UTF-8 decoder of the program, for every check of text and every
// message: which characters a line of text may show as they are. A line
// shows valid UTF-8 without control characters (C0, DEL and C1), line or
// paragraph separators, and characters that show nothing (zero-width and
// format characters, bidirectional controls, the byte order mark).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pandemie::input {

enum class CharacterKind : std::uint8_t {
    printable,
    control,    // U+0000..U+001F, U+007F..U+009F
    separator,  // U+2028 and U+2029, which end a line as a newline does
    invisible,  // zero-width and format characters, bidirectional controls, U+FEFF
    invalid,    // a byte of no character: stray, truncated, overlong, a surrogate, past U+10FFFF
};

struct Character {
    std::size_t length = 1;  // in bytes; 1 for an invalid byte
    CharacterKind kind = CharacterKind::invalid;
    char32_t code = 0;  // the code point; 0 for an invalid byte
};

// The character that text (not empty) starts with.
[[nodiscard]] Character firstCharacter(std::string_view text) noexcept;

// The length in bytes of the printable character that text starts with, or
// 0 when it starts with any other character or a byte of none.
[[nodiscard]] std::size_t printableCharacterLength(std::string_view text) noexcept;

// Whether text is one line of printable characters.
[[nodiscard]] bool isPrintableLine(std::string_view text) noexcept;

// Whether text is valid UTF-8 without control characters and separators;
// it may hold invisible characters.
[[nodiscard]] bool isOneLine(std::string_view text) noexcept;

// The byte as \xHH (lowercase hex), the one form in which messages and the
// command line show a byte that is not shown as it is.
void appendHexEscape(std::string& text, unsigned char byte);

}  // namespace pandemie::input
