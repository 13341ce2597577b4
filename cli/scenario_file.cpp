// The scenario file, read with toml++; kept apart so that only this file
// compiles its headers.

#include <toml++/toml.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "cli/characters.h"
#include "cli/scenario_options.h"
#include "io/file_writing.h"
#include "io/quoted.h"

namespace pandemie::cli {

namespace {

[[nodiscard]] std::string oneLine(std::string text) {
    std::ranges::replace_if(
        text, [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

class ScenarioFile {
public:
    ScenarioFile(std::string path, const Parameters& defaults)
        : path_(std::move(path)), shown_("--scenarios: " + io::shownPath(path_)), defaults_(defaults) {}

    [[nodiscard]] std::vector<Scenario> load() {
        const toml::table root = parse();
        for (auto&& [key, node] : root) {
            if (key.str() != "scenario") fail(key.source(), "unknown key \"" + std::string(key.str()) + "\"");
            if (!node.is_array_of_tables())
                fail(node.source(), "scenario must be tables, written [[scenario]]");
            for (const toml::node& element : *node.as_array())
                scenarios_.push_back(scenario(*element.as_table()));
        }
        if (scenarios_.empty()) throw io::UsageError(shown_ + ": no [[scenario]] in the file");
        return std::move(scenarios_);
    }

private:
    [[nodiscard]] toml::table parse() const {
        std::ifstream in(path_, std::ios::binary);
        if (!in) throw io::UsageError(shown_ + ": cannot read the file: " + std::strerror(errno));
        std::string text;
        try {
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        } catch (const std::ios_base::failure&) {  // a directory, for one
            throw io::UsageError(shown_ + ": cannot read the file: " + std::strerror(errno));
        }
        try {
            return toml::parse(text, path_);
        } catch (const toml::parse_error& failure) {
            fail(failure.source(), std::string(failure.description()));
        }
    }

    [[noreturn]] void fail(const toml::source_region& where, const std::string& what) const {
        throw io::UsageError(shown_ + ":" + std::to_string(where.begin.line) + ": " + oneLine(what));
    }

    [[nodiscard]] int wholeValue(const toml::node& node, ParameterRange range, std::string_view name) const {
        const auto* const value = node.as_integer();
        if (value == nullptr || value->get() < range.min || value->get() > range.max)
            fail(node.source(), std::string(name) + " must be a whole number in " +
                                    std::to_string(range.min) + ".." + std::to_string(range.max));
        return static_cast<int>(value->get());
    }

    [[nodiscard]] std::string name(const toml::node& node) const {
        const auto* const value = node.as_string();
        if (value == nullptr || value->get().empty()) fail(node.source(), "name must be a non-empty string");
        const std::string& text = value->get();
        if (!isPrintableLine(text)) fail(node.source(), "name must be one line without control characters");
        const bool taken =
            std::ranges::any_of(scenarios_, [&](const Scenario& other) { return other.name == text; });
        if (taken) fail(node.source(), "scenario \"" + text + "\" is named twice");
        return text;
    }

    [[nodiscard]] Scenario scenario(const toml::table& table) const {
        Scenario result{{}, defaults_, {}};
        for (auto&& [key, node] : table) {
            if (key.str() == "name") {
                result.name = name(node);
            } else if (const auto parameter = parameterNamed(key.str())) {
                setParameterValue(result.parameters, *parameter,
                                  wholeValue(node, parameterRange(*parameter), key.str()));
            } else if (key.str() == "change") {
                if (!node.is_array_of_tables())
                    fail(node.source(), "change must be tables, written [[scenario.change]]");
                for (const toml::node& element : *node.as_array())
                    addChanges(*element.as_table(), result.changes);
            } else {
                fail(key.source(),
                     "unknown key \"" + std::string(key.str()) +
                         "\"; expected name, encounters, infection, latency, recovery or change");
            }
        }
        if (result.name.empty()) fail(table.source(), "scenario without a name");
        result.changes = sortedByDay(std::move(result.changes));
        return result;
    }

    void addChanges(const toml::table& table, Schedule& changes) const {
        const toml::node* const dayNode = table.get("day");
        if (dayNode == nullptr) fail(table.source(), "change without a day");
        const int day = wholeValue(*dayNode, {1, runDays}, "day");
        bool any = false;
        for (auto&& [key, node] : table) {
            if (key.str() == "day") continue;
            const auto parameter = parameterNamed(key.str());
            if (!parameter)
                fail(key.source(), "unknown key \"" + std::string(key.str()) +
                                       "\"; expected day, encounters, infection, latency or recovery");
            const bool twice = std::ranges::any_of(changes, [&](const Change& other) {
                return other.day == day && other.parameter == *parameter;
            });
            if (twice)
                fail(key.source(),
                     std::string(key.str()) + " is changed twice on day " + std::to_string(day));
            changes.push_back({day, *parameter, wholeValue(node, parameterRange(*parameter), key.str())});
            any = true;
        }
        if (!any) fail(table.source(), "change on day " + std::to_string(day) + " changes nothing");
    }

    std::string path_;
    std::string shown_;  // how messages name the file
    Parameters defaults_;
    std::vector<Scenario> scenarios_;
};

}  // namespace

std::vector<Scenario> loadScenarios(const std::string& path, const Parameters& defaults) {
    return ScenarioFile(path, defaults).load();
}

}  // namespace pandemie::cli
