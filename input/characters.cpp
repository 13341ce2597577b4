#include "input/characters.h"

#include <algorithm>
#include <array>

namespace pandemie::input {

namespace {

[[nodiscard]] unsigned char byteAt(std::string_view text, std::size_t index) noexcept {
    return static_cast<unsigned char>(text[index]);
}

[[nodiscard]] bool isContinuation(unsigned char byte) noexcept {
    return (byte & 0xC0U) == 0x80U;
}

[[nodiscard]] std::size_t sequenceLength(unsigned char lead) noexcept {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// The length of the UTF-8 character at the start of text, 0 for none:
// overlong forms, surrogates and values beyond U+10FFFF are none.
[[nodiscard]] std::size_t utf8Length(std::string_view text) noexcept {
    const unsigned char lead = byteAt(text, 0);
    const std::size_t length = sequenceLength(lead);
    if (length <= 1) return length;
    if (text.size() < length) return 0;
    // The second byte's range narrows after these leads.
    const unsigned low = lead == 0xE0 ? 0xA0U : lead == 0xF0 ? 0x90U : 0x80U;
    const unsigned high = lead == 0xED ? 0x9FU : lead == 0xF4 ? 0x8FU : 0xBFU;
    if (byteAt(text, 1) < low || byteAt(text, 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!isContinuation(byteAt(text, i))) return 0;
    return length;
}

// The code point of the valid sequence of `length` bytes that text starts with.
[[nodiscard]] char32_t codePoint(std::string_view text, std::size_t length) noexcept {
    constexpr std::array<unsigned, 5> leadBits{0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t value = byteAt(text, 0) & leadBits[length];
    for (std::size_t i = 1; i < length; ++i) value = (value << 6U) | (byteAt(text, i) & 0x3FU);
    return value;
}

struct CodeRange {
    char32_t first;
    char32_t last;
};

// Characters that take no room and show nothing, yet change what a reader
// sees around them or make equal-looking texts differ.
constexpr std::array<CodeRange, 11> invisibleRanges{{
    {0x00AD, 0x00AD},    // soft hyphen
    {0x061C, 0x061C},    // Arabic letter mark
    {0x180E, 0x180E},    // Mongolian vowel separator
    {0x200B, 0x200F},    // zero-width space, non-joiner and joiner; left-to-right and right-to-left marks
    {0x202A, 0x202E},    // bidirectional embeddings and overrides
    {0x2060, 0x2064},    // word joiner, invisible operators
    {0x2066, 0x206F},    // bidirectional isolates, deprecated format characters
    {0xFEFF, 0xFEFF},    // byte order mark, zero-width no-break space
    {0xFFF9, 0xFFFB},    // interlinear annotation
    {0xE0001, 0xE0001},  // language tag
    {0xE0020, 0xE007F},  // tag characters
}};

[[nodiscard]] CharacterKind kindOf(char32_t code) noexcept {
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return CharacterKind::control;
    if (code == 0x2028 || code == 0x2029) return CharacterKind::separator;
    const bool invisible = std::ranges::any_of(invisibleRanges, [code](const CodeRange& range) {
        return code >= range.first && code <= range.last;
    });
    return invisible ? CharacterKind::invisible : CharacterKind::printable;
}

}  // namespace

Character firstCharacter(std::string_view text) noexcept {
    const std::size_t length = utf8Length(text);
    if (length == 0) return {1, CharacterKind::invalid};
    const char32_t code = codePoint(text, length);
    return {length, kindOf(code), code};
}

std::size_t printableCharacterLength(std::string_view text) noexcept {
    if (text.empty()) return 0;
    const Character character = firstCharacter(text);
    return character.kind == CharacterKind::printable ? character.length : 0;
}

bool isPrintableLine(std::string_view text) noexcept {
    while (!text.empty()) {
        const std::size_t length = printableCharacterLength(text);
        if (length == 0) return false;
        text.remove_prefix(length);
    }
    return true;
}

bool isOneLine(std::string_view text) noexcept {
    while (!text.empty()) {
        const Character character = firstCharacter(text);
        if (character.kind != CharacterKind::printable && character.kind != CharacterKind::invisible)
            return false;
        text.remove_prefix(character.length);
    }
    return true;
}

void appendHexEscape(std::string& text, unsigned char byte) {
    constexpr std::array<char, 16> hex{'0', '1', '2', '3', '4', '5', '6', '7',
                                       '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    text += "\\x";
    text += hex[byte >> 4U];
    text += hex[byte & 0xFU];
}

}  // namespace pandemie::input
