#include "cli/scenario_options.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "cli/whole_number.h"
#include "io/quoted.h"

namespace pandemie::cli {

namespace {

constexpr WholeRange dayRange{1, runDays};

[[nodiscard]] std::string parameterList() {
    return "encounters, infection, latency or recovery";
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
    if (!value) throw InputError(context + notInRangeMessage(text, range));
    return static_cast<int>(*value);
}

// NAME=VALUE split at the '=', the name checked.
[[nodiscard]] std::pair<Parameter, std::string_view> assignment(std::string_view text,
                                                                const std::string& context) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        throw InputError(context + "expected NAME=VALUE, got " + io::quotedValue(text));
    const auto parameter = parameterNamed(text.substr(0, equals));
    if (!parameter)
        throw InputError(context + "unknown parameter " + io::quotedValue(text.substr(0, equals)) +
                         "; expected " + parameterList());
    return {*parameter, text.substr(equals + 1)};
}

}  // namespace

WholeRange wholeRange(Parameter parameter) {
    const ParameterRange range = parameterRange(parameter);
    return {static_cast<std::uint64_t>(range.min), static_cast<std::uint64_t>(range.max)};
}

Schedule parseChanges(const std::vector<std::string>& texts) {
    Schedule changes;
    for (const std::string& text : texts) {
        const std::string context = "--change: " + io::quotedValue(text) + ": ";
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos) throw InputError(context + "expected DAY:NAME=VALUE[,NAME=VALUE...]");
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
                throw InputError(context + std::string(infoOf(parameter).name) + " is changed twice on day " +
                                 std::to_string(day));
            changes.push_back(change);
        }
    }
    return sortedByDay(std::move(changes));
}

SweepAxis parseSweep(const std::string& text) {
    const std::string context = "--sweep: " + io::quotedValue(text) + ": ";
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
        if (from > to) throw InputError(context + "FROM must not be greater than TO");
        for (int value = from; value <= to; value += step) axis.values.push_back(value);
    } else {
        for (const std::string_view part : split(values, ','))
            axis.values.push_back(wholeIn(part, range, valueContext));
        std::ranges::sort(axis.values);
        if (std::ranges::adjacent_find(axis.values) != axis.values.end())
            throw InputError(context + "a value is given twice");
    }
    return axis;
}

Outcome parseMeasure(const std::string& text) {
    if (const auto outcome = outcomeNamed(text)) return *outcome;
    throw InputError("--measure: unknown measure " + io::quotedValue(text) +
                     "; expected peak_infected, peak_day or final_recovered");
}

namespace {

// Every occurrence counts, each with one value, so that a stray word stays an error.
CLI::Option* addRepeatable(CLI::App& app, const std::string& name, std::vector<std::string>& values,
                           const std::string& help) {
    return app.add_option(name, values, help)->allow_extra_args(false)->take_all();
}

}  // namespace

void addLabOptions(CLI::App& app, LabOptionTexts& texts, CliOptions& options) {
    addRepeatable(
        app, "--change", texts.changes,
        "DAY:NAME=VALUE[,NAME=VALUE...]: from day DAY (1..180) on the named parameters (encounters, "
        "infection, latency, recovery) have the new values; repeatable")
        ->type_name("CHANGE");
    app.add_option("--scenarios", texts.scenarios,
                   "TOML file of named scenarios, each run --runs times on the same seeds")
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--differences", options.differences,
                   "With --scenarios: CSV of each scenario's run-by-run differences against the first")
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    addRepeatable(app, "--sweep", texts.sweeps,
                  "NAME=FROM..TO[:STEP] or NAME=V1,V2,...: runs every value (once or twice: a grid); "
                  "--output gets one row per point")
        ->type_name("SWEEP");
    app.add_option("--measure", texts.measure,
                   "What a sweep's image shows: peak_infected, peak_day or final_recovered (default)")
        ->type_name("NAME")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

void resolveLabOptions(const LabOptionTexts& texts, CliOptions& options) {
    options.changes = parseChanges(texts.changes);
    for (const std::string& text : texts.sweeps) options.sweeps.push_back(parseSweep(text));
    if (options.sweeps.size() > 2) throw InputError("--sweep: at most two parameters can be swept");
    if (options.sweeps.size() == 2 && options.sweeps[0].parameter == options.sweeps[1].parameter)
        throw InputError("--sweep: " + std::string(infoOf(options.sweeps[0].parameter).name) +
                         " is swept twice");
    if (!texts.measure.empty()) {
        options.measure = parseMeasure(texts.measure);
        if (!options.isSweep()) throw InputError("--measure: needs --sweep");
    }
    if (options.isSweep()) {
        if (!texts.scenarios.empty()) throw InputError("--sweep: cannot be combined with --scenarios");
        for (const auto& [name, path] : {std::pair{"--bands", &options.bands},
                                         {"--summary", &options.summary},
                                         {"--differences", &options.differences}})
            if (!path->empty())
                throw InputError(std::string(name) + ": not with --sweep, whose table is --output");
    }
    if (texts.scenarios.empty()) {
        if (!options.differences.empty()) throw InputError("--differences: needs --scenarios");
        return;
    }
    if (!options.changes.empty())
        throw InputError("--change: with --scenarios the changes belong in the scenario file");
    options.scenarios = loadScenarios(texts.scenarios, options.parameters);
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
        const bool plain = !argument.empty() && std::ranges::all_of(argument, [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
                   std::string_view("_./=:,+-%@").find(c) != std::string_view::npos;
        });
        if (plain) {
            text.append(argument);
            continue;
        }
        text += '\'';
        for (const char c : argument) text.append(c == '\'' ? "'\\''" : std::string(1, c));
        text += '\'';
    }
    return text;
}

}  // namespace pandemie::cli
