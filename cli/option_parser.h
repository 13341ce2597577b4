#pragma once
// The command line's grammar: long options with a value as `--name VALUE` or
// `--name=VALUE`, flags without one (short flags may be joined: `-qq`), each
// option at most once unless it is repeatable or a flag. `--` ends the
// options; the tool takes no operands, so nothing may follow it. Bad input
// throws input::UsageError with a one-line message.

#include <cstdint>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pandemie::cli {

// The names of the options a command line gives, such as "--runs".
using GivenOptions = std::set<std::string, std::less<>>;

enum class Arity : std::uint8_t { flag, once, repeatable };

struct OptionDefinition {
    std::string name;       // "--runs"
    std::string shortName;  // "-q", or empty
    std::string valueName;  // "N", "FILE"; empty for a flag
    std::string help;
    Arity arity = Arity::once;
    // Stores a value (a flag: ""); throws input::UsageError with the message
    // after "--name: ".
    std::function<void(const std::string& value)> take;
    // Said after "--name: no value given", such as "; expected a whole number in 1..256".
    std::string missingValueHint;
};

class OptionParser {
public:
    // The parser knows --help (-h) from the start.
    explicit OptionParser(std::string description);

    void add(OptionDefinition definition) { options_.push_back(std::move(definition)); }

    // Reads argv[1..argc-1] into the options' take functions and returns the
    // names of the options given.
    [[nodiscard]] GivenOptions parse(int argc, const char* const* argv) const;

    // Whether the flag `name` is among the options of argv (before any
    // `--`), by its name, or its short name alone or joined with other short
    // flags. `--name=VALUE` is not: parse() refuses it.
    [[nodiscard]] bool asksFor(int argc, const char* const* argv, std::string_view name) const;

    // The description, the usage line and one line per option.
    [[nodiscard]] std::string helpText() const;

private:
    [[nodiscard]] const OptionDefinition* find(std::string_view name) const;
    [[nodiscard]] std::vector<const OptionDefinition*> joinedFlags(std::string_view argument) const;
    [[nodiscard]] bool looksLikeOption(std::string_view argument) const;
    [[nodiscard]] std::string unknownOptionMessage(std::string_view name) const;
    [[nodiscard]] std::string repeatableNames() const;  // "--change, --sweep and --prior"

    std::string description_;
    std::vector<OptionDefinition> options_;
};

// The known options `given` may have been meant for, letter case aside: the
// one it spells, else every one it is the start of, else the nearest at most
// two edits apart, else none.
[[nodiscard]] std::vector<std::string> meantOptions(std::string_view given,
                                                    std::span<const std::string> known);

}  // namespace pandemie::cli
