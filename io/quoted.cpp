#include "io/quoted.h"

#include <algorithm>
#include <array>

namespace pandemie::io {

namespace {

constexpr std::size_t longestShownValue = 60;  // characters
constexpr std::size_t longestShownPath = 200;  // a deep path stays whole, a runaway one does not

// How many bytes the UTF-8 character that starts with `lead` has; 0 for a
// byte that starts none.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// The length of the UTF-8 character at the start of text, 0 when none starts there.
std::size_t characterLength(std::string_view text) {
    const std::size_t length = sequenceLength(static_cast<unsigned char>(text[0]));
    if (length == 0 || text.size() < length) return 0;
    const bool continued = std::all_of(text.begin() + 1, text.begin() + static_cast<std::ptrdiff_t>(length),
                                       [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; });
    return continued ? length : 0;
}

void appendEscaped(std::string& out, unsigned char byte) {
    switch (byte) {
        case '\t':
            out += "\\t";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        default:
            break;
    }
    if (byte >= 0x20 && byte < 0x7F) {
        out += static_cast<char>(byte);
        return;
    }
    constexpr std::array<char, 16> hex{'0', '1', '2', '3', '4', '5', '6', '7',
                                       '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    out += "\\x";
    out += hex[byte >> 4U];
    out += hex[byte & 0xFU];
}

// The C1 controls U+0080..U+009F, which some terminals obey.
bool isC1Control(std::string_view character) {
    return character.size() == 2 && static_cast<unsigned char>(character[0]) == 0xC2 &&
           static_cast<unsigned char>(character[1]) < 0xA0;
}

std::string quoted(std::string_view text, std::size_t longest) {
    std::string out(1, '"');
    std::size_t shown = 0;
    while (!text.empty()) {
        if (shown == longest) {
            out += "\u2026";
            break;
        }
        const std::size_t length = characterLength(text);
        if (isC1Control(text.substr(0, length))) {
            appendEscaped(out, static_cast<unsigned char>(text[0]));
            appendEscaped(out, static_cast<unsigned char>(text[1]));
        } else if (length > 1) {
            out.append(text.substr(0, length));
        } else {
            appendEscaped(out, static_cast<unsigned char>(text[0]));
        }
        text.remove_prefix(std::max<std::size_t>(length, 1));
        ++shown;
    }
    return out += '"';
}

}  // namespace

std::string quotedValue(std::string_view text) {
    return quoted(text, longestShownValue);
}

std::string shownPath(std::string_view path) {
    std::string shown = quoted(path, longestShownPath);
    const bool plain = !path.empty() && shown == '"' + std::string(path) + '"';
    return plain ? std::string(path) : shown;
}

}  // namespace pandemie::io
