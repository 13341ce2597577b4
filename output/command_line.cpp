#include "output/command_line.h"

#include <algorithm>
#include <cctype>

#include "input/characters.h"

namespace pandemie::output {

namespace {

[[nodiscard]] bool isPlain(std::string_view argument) {
    return !argument.empty() && std::ranges::all_of(argument, [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
               std::string_view("_./=:,+-%@").find(c) != std::string_view::npos;
    });
}

// $'...': a backslash and a quote escaped, printable characters as they
// are, every other byte as \xHH (at most two hex digits follow \x, so a
// digit after it stays a digit).
[[nodiscard]] std::string ansiQuoted(std::string_view argument) {
    std::string text = "$'";
    while (!argument.empty()) {
        const std::size_t length = input::printableCharacterLength(argument);
        if (length == 0) {
            input::appendHexEscape(text, static_cast<unsigned char>(argument.front()));
            argument.remove_prefix(1);
            continue;
        }
        if (argument.front() == '\\' || argument.front() == '\'') text += '\\';
        text.append(argument.substr(0, length));
        argument.remove_prefix(length);
    }
    return text += '\'';
}

}  // namespace

std::string shellQuoted(std::string_view argument) {
    if (isPlain(argument)) return std::string(argument);
    if (!input::isPrintableLine(argument)) return ansiQuoted(argument);
    std::string text = "'";
    for (const char c : argument) text.append(c == '\'' ? "'\\''" : std::string(1, c));
    return text += '\'';
}

std::string commandLineText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        // Options that change neither the results nor the files are left out,
        // so that the same figure carries the same bytes.
        if (argument == "--quiet" || argument == "-q" || argument.starts_with("--threads=")) continue;
        if (argument == "--threads") {
            ++i;
            continue;
        }
        if (!text.empty()) text += ' ';
        text += shellQuoted(argument);
    }
    return text;
}

}  // namespace pandemie::output
