#include "io/characters.h"

#include <algorithm>

namespace pandemie::io {

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

}  // namespace

std::size_t printableCharacterLength(std::string_view text) noexcept {
    if (text.empty()) return 0;
    const std::size_t length = utf8Length(text);
    const unsigned char lead = byteAt(text, 0);
    if (length == 1 && (lead < 0x20 || lead == 0x7F)) return 0;
    if (length == 2 && lead == 0xC2 && byteAt(text, 1) < 0xA0) return 0;  // C1: U+0080..U+009F
    // U+2028 and U+2029 end a line as a newline does.
    if (length == 3 && lead == 0xE2 && byteAt(text, 1) == 0x80 && (byteAt(text, 2) & 0xFEU) == 0xA8U)
        return 0;
    return length;
}

bool isPrintableLine(std::string_view text) noexcept {
    while (!text.empty()) {
        const std::size_t length = printableCharacterLength(text);
        if (length == 0) return false;
        text.remove_prefix(length);
    }
    return true;
}

}  // namespace pandemie::io
