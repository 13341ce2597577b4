// The scenario file, read with toml++; kept apart so that only this file
// compiles its headers.

#include <toml++/toml.h>

#include <algorithm>
#include <unordered_map>

#include "input/characters.h"
#include "input/composed_text.h"
#include "input/input_file.h"
#include "input/quoted.h"
#include "input/scenario_file.h"
#include "input/usage_error.h"

namespace pandemie::input {

namespace {

[[nodiscard]] std::string oneLine(std::string text) {
    std::ranges::replace_if(
        text, [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

// The index of the last character of the string that opens at text[start],
// counting its line breaks into line. A one-line string open at the end of
// its line ends before the break, for the parser to report.
[[nodiscard]] std::size_t endOfString(std::string_view text, std::size_t start, int& line) {
    const bool basic = text[start] == '"';
    const std::string_view triple = basic ? R"(""")" : "'''";
    const std::string_view end = text.substr(start, 3) == triple ? triple : triple.substr(0, 1);
    std::size_t i = start + end.size();
    for (; i < text.size() && text.substr(i, end.size()) != end; ++i) {
        if (basic && text[i] == '\\' && i + 1 < text.size()) ++i;  // an escape, perhaps of a line break
        if (text[i] != '\n') continue;
        if (end.size() == 1) return i - 1;
        ++line;
    }
    return std::min(i + end.size(), text.size()) - 1;
}

// The line (from 1) on which text first nests deeper than maxScenarioNesting,
// 0 if nowhere. Counts, outside strings and comments, the open brackets and
// braces and the dots since the last key or value boundary, so that a dotted
// key, a table header and a float each count their dots.
[[nodiscard]] int lineNestedTooDeep(std::string_view text) {
    int line = 1;
    int open = 0;
    int dots = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            i = endOfString(text, i, line);
        } else if (c == '#') {
            i = std::min(text.find('\n', i), text.size()) - 1;
        } else if (c == '.') {
            ++dots;
        } else if (c == '[' || c == '{') {
            ++open;
            dots = 0;
        } else if (c == ']' || c == '}') {
            open = std::max(open - 1, 0);
            dots = 0;
        } else if (c == '=' || c == ',' || c == '\n') {
            dots = 0;
        }
        if (open + dots > maxScenarioNesting) return line;
        if (c == '\n') ++line;
    }
    return 0;
}

class ScenarioFile {
public:
    ScenarioFile(std::string path, const Parameters& defaults, const DayReading& days)
        : path_(std::move(path)),
          shown_("--scenarios: " + input::shownInput(path_)),
          defaults_(defaults),
          days_(days) {}

    // A pipe or a device is read as well, as from `--scenarios <(...)`.
    [[nodiscard]] std::string read() const {
        return input::readInputFile(path_, shown_, maxScenarioFileBytes, input::InputKind::anyReadable);
    }

    [[nodiscard]] std::vector<Scenario> load(std::string_view text) {
        const toml::table root = parse(text);
        for (auto&& [key, node] : root) {
            if (key.str() != "scenario") fail(key.source(), "unknown key " + quotedValue(key.str()));
            if (!node.is_array_of_tables())
                fail(node.source(), "scenario must be tables, written [[scenario]]");
            for (const toml::node& element : *node.as_array())
                scenarios_.push_back(scenario(*element.as_table()));
        }
        if (scenarios_.empty()) throw UsageError(shown_ + ": no [[scenario]] in the file");
        return std::move(scenarios_);
    }

private:
    [[nodiscard]] toml::table parse(std::string_view text) const {
        if (text.size() > maxScenarioFileBytes)
            throw UsageError(shown_ + ": longer than " + std::to_string(maxScenarioFileBytes >> 20U) +
                             " MiB, more than any scenario file needs");
        if (const int line = lineNestedTooDeep(text); line != 0)
            throw UsageError(shown_ + ":" + std::to_string(line) + ": nested more than " +
                             std::to_string(maxScenarioNesting) +
                             " levels deep (brackets, braces and dotted keys)");
        try {
            return toml::parse(text, path_);
        } catch (const toml::parse_error& failure) {
            refuseLoneCarriageReturn(text);
            fail(failure.source(), std::string(failure.description()));
        }
    }

    // TOML ends lines with LF or CRLF; a file of old Mac line ends, a CR
    // alone, reads as one line to the parser, whose message would not say so.
    void refuseLoneCarriageReturn(std::string_view text) const {
        for (std::size_t at = text.find('\r'); at != std::string_view::npos; at = text.find('\r', at + 1)) {
            if (text.substr(at, 2) == "\r\n") continue;
            const auto line =
                1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n');
            throw UsageError(shown_ + ":" + std::to_string(line) +
                             ": a line ends in a carriage return alone (old Mac line ends); TOML files end "
                             "their lines with LF or CRLF");
        }
    }

    [[noreturn]] void fail(const toml::source_region& where, const std::string& what) const {
        throw UsageError(shown_ + ":" + std::to_string(where.begin.line) + ": " + escapedLine(oneLine(what)));
    }

    [[nodiscard]] int wholeValue(const toml::node& node, ParameterRange range, std::string_view name) const {
        const auto* const value = node.as_integer();
        if (value == nullptr || value->get() < range.min || value->get() > range.max)
            fail(node.source(), std::string(name) + " must be a whole number in " +
                                    std::to_string(range.min) + ".." + std::to_string(range.max));
        return static_cast<int>(value->get());
    }

    [[nodiscard]] std::string name(const toml::node& node) {
        const auto* const value = node.as_string();
        if (value == nullptr || value->get().empty()) fail(node.source(), "name must be a non-empty string");
        const std::string& text = value->get();
        if (!isOneLine(text)) fail(node.source(), "name must be one line without control characters");
        if (!isPrintableLine(text))
            fail(node.source(), "name " + quotedValue(text) + " holds a character that shows nothing");
        if (const auto [first, added] = names_.emplace(composedText(text), text); !added)
            fail(node.source(),
                 "scenario \"" + text + "\" is named twice" + spellingNote(first->second, text));
        return text;
    }

    [[nodiscard]] Scenario scenario(const toml::table& table) {
        Scenario result{{}, defaults_, {}};
        for (auto&& [key, node] : table) {
            if (key.str() == "name") {
                result.name = name(node);
            } else if (const auto parameter = parameterNamed(key.str())) {
                setParameterValue(result.parameters, *parameter,
                                  wholeValue(node, toolRange(*parameter), key.str()));
            } else if (key.str() == "change") {
                if (!node.is_array_of_tables())
                    fail(node.source(), "change must be tables, written [[scenario.change]]");
                for (const toml::node& element : *node.as_array())
                    addChanges(*element.as_table(), result.changes);
            } else {
                fail(key.source(), "unknown key " + quotedValue(key.str()) +
                                       "; expected name, encounters, infection, latency, recovery or change");
            }
        }
        if (result.name.empty()) fail(table.source(), "scenario without a name");
        result.changes = sortedByDay(std::move(result.changes));
        return result;
    }

    // A change's day, or the day of its date (2015-11-20, a TOML date).
    [[nodiscard]] int dayOf(const toml::table& table) const {
        const toml::node* const dayNode = table.get("day");
        const toml::node* const dateNode = table.get("date");
        if (dayNode != nullptr && dateNode != nullptr)
            fail(table.source(), "change with both a day and a date; give one of them");
        if (dayNode != nullptr) return wholeValue(*dayNode, {1, days_.lastDay}, "day");
        if (dateNode == nullptr) fail(table.source(), "change without a day");
        const auto* const date = dateNode->as_date();
        if (date == nullptr) fail(dateNode->source(), "date must be a date such as 2015-11-20");
        const std::string text =
            isoDate(daysFromCivil({date->get().year, date->get().month, date->get().day}));
        try {
            return dayIn(text, days_, "");
        } catch (const UsageError& error) {
            fail(dateNode->source(), error.what());
        }
    }

    void addChanges(const toml::table& table, Schedule& changes) const {
        const int day = dayOf(table);
        bool any = false;
        for (auto&& [key, node] : table) {
            if (key.str() == "day" || key.str() == "date") continue;
            const auto parameter = parameterNamed(key.str());
            if (!parameter)
                fail(key.source(), "unknown key " + quotedValue(key.str()) +
                                       "; expected day or date, encounters, infection, latency or recovery");
            const bool twice = std::ranges::any_of(changes, [&](const Change& other) {
                return other.day == day && other.parameter == *parameter;
            });
            if (twice)
                fail(key.source(),
                     std::string(key.str()) + " is changed twice on day " + std::to_string(day));
            changes.push_back({day, *parameter, wholeValue(node, toolRange(*parameter), key.str())});
            any = true;
        }
        if (!any) fail(table.source(), "change on day " + std::to_string(day) + " changes nothing");
    }

    std::string path_;
    std::string shown_;  // how messages name the file
    Parameters defaults_;
    DayReading days_;
    std::vector<Scenario> scenarios_;
    // The names of scenarios_ as given, by their composed form, so that a long
    // file is read in linear time.
    std::unordered_map<std::string, std::string> names_;
};

}  // namespace

std::vector<Scenario> loadScenarios(const std::string& path, const Parameters& defaults,
                                    const DayReading& days) {
    ScenarioFile file(path, defaults, days);
    return file.load(file.read());
}

std::vector<Scenario> scenariosFromText(std::string_view text, const std::string& path,
                                        const Parameters& defaults, const DayReading& days) {
    return ScenarioFile(path, defaults, days).load(text);
}

}  // namespace pandemie::input
