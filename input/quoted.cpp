#include "input/quoted.h"

#include "input/characters.h"

namespace pandemie::input {

namespace {

constexpr std::size_t longestShownValue = 60;  // characters
constexpr std::size_t longestShownPath = 200;  // a deep path stays whole, a runaway one does not

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
    appendHexEscape(out, byte);
}

void appendHexEscapes(std::string& out, std::string_view bytes) {
    for (const char byte : bytes) appendHexEscape(out, static_cast<unsigned char>(byte));
}

// Each character counts once, however many bytes it shows as; a byte of no
// character counts as one.
std::string quoted(std::string_view text, std::size_t longest) {
    std::string out(1, '"');
    std::size_t shown = 0;
    while (!text.empty()) {
        if (shown == longest) {
            out += "\u2026";
            break;
        }
        const Character character = firstCharacter(text);
        if (character.length == 1) {
            appendEscaped(out, static_cast<unsigned char>(text[0]));
        } else if (character.kind == CharacterKind::printable) {
            out.append(text.substr(0, character.length));
        } else {
            appendHexEscapes(out, text.substr(0, character.length));
        }
        text.remove_prefix(character.length);
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

std::string escapedLine(std::string_view text) {
    std::string out;
    while (!text.empty()) {
        const Character character = firstCharacter(text);
        if (character.kind == CharacterKind::printable) {
            out.append(text.substr(0, character.length));
        } else {
            appendHexEscapes(out, text.substr(0, character.length));
        }
        text.remove_prefix(character.length);
    }
    return out;
}

}  // namespace pandemie::input
