#include "cli/option_parser.h"

#include <algorithm>

#include "input/closest_name.h"
#include "input/quoted.h"
#include "input/usage_error.h"

namespace pandemie::cli {

namespace {

constexpr std::size_t helpColumn = 30;  // where the options' descriptions start

// An option name shows as typed, unless it has bytes that need quoting.
[[nodiscard]] std::string shownName(std::string_view name) {
    std::string shown = input::quotedValue(name);
    return shown == '"' + std::string(name) + '"' ? std::string(name) : shown;
}

[[nodiscard]] std::string helpLine(const std::string& names, const std::string& help) {
    std::string line = "  " + names;
    if (line.size() + 1 > helpColumn) return line + '\n' + std::string(helpColumn, ' ') + help + '\n';
    return line + std::string(helpColumn - line.size(), ' ') + help + '\n';
}

}  // namespace

std::vector<std::string> meantOptions(std::string_view given, std::span<const std::string> known) {
    return input::meantNames(given, known);
}

OptionParser::OptionParser(std::string description) : description_(std::move(description)) {
    add({"--help", "-h", "", "Print this help message and exit", Arity::flag, [](const std::string&) {}, ""});
}

const OptionDefinition* OptionParser::find(std::string_view name) const {
    const auto option = std::ranges::find_if(options_, [name](const OptionDefinition& definition) {
        return definition.name == name || (!definition.shortName.empty() && definition.shortName == name);
    });
    return option == options_.end() ? nullptr : &*option;
}

// The flags of "-qq" or "-qh", each letter the short name of a flag; none
// for anything else.
std::vector<const OptionDefinition*> OptionParser::joinedFlags(std::string_view argument) const {
    std::vector<const OptionDefinition*> flags;
    if (argument.size() < 3 || argument[0] != '-' || argument[1] == '-') return flags;
    for (const char letter : argument.substr(1)) {
        const OptionDefinition* const flag = find(std::string{'-', letter});
        if (flag == nullptr || flag->arity != Arity::flag) return {};
        flags.push_back(flag);
    }
    return flags;
}

// "--" and every long option end the options before them; a lone "-" or "-1"
// is a value.
bool OptionParser::looksLikeOption(std::string_view argument) const {
    return argument.starts_with("--") ||
           (argument.starts_with('-') && (find(argument) != nullptr || !joinedFlags(argument).empty()));
}

std::string OptionParser::unknownOptionMessage(std::string_view name) const {
    std::vector<std::string> known;
    for (const OptionDefinition& definition : options_) known.push_back(definition.name);
    const std::vector<std::string> meant = meantOptions(name, known);
    const std::string unknown = "unknown option " + shownName(name);
    if (meant.empty()) return unknown + " (see --help)";
    if (meant.size() == 1) return unknown + "; did you mean " + meant.front() + "?";
    return unknown + "; did you mean one of " + input::listedNames(meant, ", ") + "?";
}

std::string OptionParser::repeatableNames() const {
    std::vector<std::string> names;
    for (const OptionDefinition& definition : options_)
        if (definition.arity == Arity::repeatable) names.push_back(definition.name);
    return input::listedNames(names, " and ");
}

bool OptionParser::asksFor(int argc, const char* const* argv, std::string_view name) const {
    const OptionDefinition* const option = find(name);
    for (int i = 1; option != nullptr && i < argc && std::string_view(argv[i]) != "--"; ++i) {
        const std::string_view argument = argv[i];
        if (find(argument) == option || std::ranges::count(joinedFlags(argument), option) > 0) return true;
    }
    return false;
}

GivenOptions OptionParser::parse(int argc, const char* const* argv) const {
    GivenOptions given;
    const OptionDefinition* previous = nullptr;  // the option before argument
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") {
            if (i + 1 < argc)
                throw input::UsageError("unexpected argument " + input::quotedValue(argv[i + 1]) +
                                        " after --; pandemie-cli takes no operands");
            break;
        }
        if (const std::vector<const OptionDefinition*> flags = joinedFlags(argument); !flags.empty()) {
            for (const OptionDefinition* const flag : flags) {
                given.insert(flag->name);
                flag->take("");
            }
            previous = flags.back();
            continue;
        }
        if (!argument.starts_with('-') || argument == "-") {
            const std::string shown = input::quotedValue(argument);
            if (previous != nullptr && previous->arity == Arity::repeatable)
                throw input::UsageError("unexpected argument " + shown + "; " + previous->name +
                                        " takes one value, give it once for each");
            throw input::UsageError("unexpected argument " + shown + " (see --help)");
        }
        const std::size_t equals = argument.find('=');  // "-q=x" too, to say that -q takes none
        const std::string_view name = argument.substr(0, equals);
        const OptionDefinition* const option = find(name);
        if (option == nullptr) throw input::UsageError(unknownOptionMessage(name));
        const std::string context = option->name + ": ";
        if (option->arity != Arity::repeatable && given.contains(option->name) &&
            option->arity != Arity::flag)
            throw input::UsageError(context + "given twice; only " + repeatableNames() + " may be repeated");
        given.insert(option->name);
        previous = option;
        std::string value;
        if (option->arity == Arity::flag) {
            if (equals != std::string_view::npos)
                throw input::UsageError(context + "takes no value, got " +
                                        input::quotedValue(argument.substr(equals + 1)));
        } else if (equals != std::string_view::npos) {
            value = argument.substr(equals + 1);  // "--name=" gives the empty value
        } else if (i + 1 < argc && !looksLikeOption(argv[i + 1])) {
            value = argv[++i];
        } else {
            throw input::UsageError(
                context + "no value given" +
                (option->missingValueHint.empty() ? " (see --help)" : option->missingValueHint));
        }
        try {
            option->take(value);
        } catch (const input::UsageError& error) {
            throw input::UsageError(context + error.what());
        }
    }
    return given;
}

std::string OptionParser::helpText() const {
    std::string text = description_ + "\nUsage: pandemie-cli [OPTIONS]\n\nOptions:\n";
    for (const OptionDefinition& definition : options_) {
        std::string names =
            definition.shortName.empty() ? definition.name : definition.shortName + ", " + definition.name;
        if (!definition.valueName.empty()) names += ' ' + definition.valueName;
        text += helpLine(names, definition.help);
    }
    return text;
}

}  // namespace pandemie::cli
