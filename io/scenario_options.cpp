#include "io/scenario_options.h"

#include <algorithm>

#include "io/file_writing.h"
#include "io/quoted.h"

namespace pandemie::io {

namespace {

// "a, b, c or d"
template <typename Table>
[[nodiscard]] std::string namesOf(const Table& table) {
    std::string text;
    for (std::size_t i = 0; i < table.size(); ++i)
        text.append(i == 0 ? "" : i + 1 == table.size() ? " or " : ", ").append(table[i].name);
    return text;
}

[[nodiscard]] std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

[[nodiscard]] int wholeIn(std::string_view text, WholeRange range, const std::string& context) {
    const auto value = parseWholeNumber(text, range);
    if (!value) throw UsageError(context + notInRangeMessage(text, range));
    return static_cast<int>(*value);
}

// NAME=VALUE split at the '=', the name checked.
[[nodiscard]] std::pair<Parameter, std::string_view> assignment(std::string_view text,
                                                                const std::string& context) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        throw UsageError(context + "expected NAME=VALUE, got " + quotedValue(text));
    const auto parameter = parameterNamed(text.substr(0, equals));
    if (!parameter)
        throw UsageError(context + "unknown parameter " + quotedValue(text.substr(0, equals)) +
                         "; expected " + parameterList());
    return {*parameter, text.substr(equals + 1)};
}

}  // namespace

WholeRange wholeRange(Parameter parameter) {
    const ParameterRange range = parameterRange(parameter);
    return {static_cast<std::uint64_t>(range.min), static_cast<std::uint64_t>(range.max)};
}

void addChanges(Schedule& changes, const std::string& text) {
    {
        const std::string context = quotedValue(text) + ": ";
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos) throw UsageError(context + "expected DAY:NAME=VALUE[,NAME=VALUE...]");
        const int day = wholeIn(std::string_view(text).substr(0, colon), dayRange, context + "day ");
        for (const std::string_view part : split(std::string_view(text).substr(colon + 1), ',')) {
            const auto [parameter, value] = assignment(part, context);
            const Change change{
                day, parameter,
                wholeIn(value, wholeRange(parameter), context + std::string(infoOf(parameter).name) + " ")};
            const bool twice = std::ranges::any_of(changes, [&change](const Change& other) {
                return other.day == change.day && other.parameter == change.parameter;
            });
            if (twice)
                throw UsageError(context + std::string(infoOf(parameter).name) + " is changed twice on day " +
                                 std::to_string(day));
            changes.push_back(change);
        }
    }
}

SweepAxis parseSweep(const std::string& text) {
    const std::string context = quotedValue(text) + ": ";
    const auto [parameter, values] = assignment(text, context);
    const WholeRange range = wholeRange(parameter);
    const std::string valueContext = context + std::string(infoOf(parameter).name) + " ";
    SweepAxis axis{parameter, {}};
    if (const std::size_t dots = values.find(".."); dots != std::string_view::npos) {
        const std::string_view rest = values.substr(dots + 2);
        const std::size_t colon = rest.find(':');
        const int from = wholeIn(values.substr(0, dots), range, valueContext);
        const int to = wholeIn(rest.substr(0, colon), range, valueContext);
        const int step = colon == std::string_view::npos
                             ? 1
                             : wholeIn(rest.substr(colon + 1), {1, range.max}, context + "step ");
        if (from > to) throw UsageError(context + "FROM must not be greater than TO");
        for (int value = from; value <= to; value += step) axis.values.push_back(value);
    } else {
        for (const std::string_view part : split(values, ','))
            axis.values.push_back(wholeIn(part, range, valueContext));
        std::ranges::sort(axis.values);
        if (std::ranges::adjacent_find(axis.values) != axis.values.end())
            throw UsageError(context + "a value is given twice");
    }
    return axis;
}

std::pair<Parameter, ParameterRange> parsePrior(const std::string& text) {
    const std::string context = quotedValue(text) + ": ";
    const auto [parameter, values] = assignment(text, context);
    const std::size_t dots = values.find("..");
    if (dots == std::string_view::npos) throw UsageError(context + "expected NAME=FROM..TO");
    const WholeRange range = wholeRange(parameter);
    const std::string valueContext = context + std::string(infoOf(parameter).name) + " ";
    const int from = wholeIn(values.substr(0, dots), range, valueContext);
    const int to = wholeIn(values.substr(dots + 2), range, valueContext);
    if (from > to) throw UsageError(context + "FROM must not be greater than TO");
    return {parameter, {from, to}};
}

std::string parameterList() {
    return namesOf(parameterTable);
}

std::string outcomeList() {
    return namesOf(outcomeTable);
}

Outcome parseMeasure(const std::string& text) {
    if (const auto outcome = outcomeNamed(text)) return *outcome;
    throw UsageError("unknown measure " + quotedValue(text) + "; expected " + outcomeList());
}

std::array<ParameterRange, parameterTable.size()> fitPrior(
    const Parameters& parameters, const std::array<bool, parameterTable.size()>& fixed,
    const std::vector<std::pair<Parameter, ParameterRange>>& priors, std::string_view option,
    std::string_view fixedBy) {
    std::array<ParameterRange, parameterTable.size()> prior{};
    for (const ParameterInfo& info : parameterTable) {
        const auto p = static_cast<std::size_t>(info.parameter);
        const int value = parameterValue(parameters, info.parameter);
        prior[p] = fixed[p] ? ParameterRange{value, value} : ParameterRange{info.min, info.max};
    }
    for (std::size_t i = 0; i < priors.size(); ++i) {
        const auto [parameter, range] = priors[i];
        const std::string name(infoOf(parameter).name);
        if (fixed[static_cast<std::size_t>(parameter)])
            throw UsageError(std::string(option) + name + " is held fixed by " + std::string(fixedBy));
        for (std::size_t j = 0; j < i; ++j)
            if (priors[j].first == parameter)
                throw UsageError(std::string(option) + name + " is given twice");
        prior[static_cast<std::size_t>(parameter)] = range;
    }
    return prior;
}

void checkScenariosOfFit(const std::vector<Scenario>& scenarios, const Parameters& fitted,
                         int lastObservedDay, std::string_view prefix, std::string_view observedOption) {
    for (const Scenario& scenario : scenarios) {
        const std::string name = std::string(prefix) + quotedValue(scenario.name);
        if (scenario.parameters != fitted)
            throw UsageError(name + " sets parameters; with " + std::string(observedOption) +
                             " they come from the fit, and a scenario holds only changes");
        for (const Change& change : scenario.changes)
            if (change.day <= lastObservedDay)
                throw UsageError(name + " changes day " + std::to_string(change.day) +
                                 ", not after the last observed day " + std::to_string(lastObservedDay));
    }
}

}  // namespace pandemie::io
