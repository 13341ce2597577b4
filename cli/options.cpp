#include "cli/options.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <limits>

#include "cli/option_compatibility.h"
#include "cli/option_parser.h"
#include "input/usage_error.h"
#include "output/command_line.h"

namespace pandemie::cli {

namespace {

void printError(const std::string& message) {
    std::cerr << programName << ": " << message << '\n';
}

[[nodiscard]] ExitStatus printed(const std::string& text) {
    if (std::cout << text << std::flush) return exitSuccess;
    printError("cannot write standard output");
    return exitWriteFailure;
}

// "--first-day" for the request's keyword "first_day".
[[nodiscard]] std::string optionName(std::string_view keyword) {
    std::string name = "--" + std::string(keyword);
    std::ranges::replace(name, '_', '-');
    return name;
}

[[nodiscard]] app::Wording toolWording() {
    return {optionName, " ", "its option", "--observed", false};
}

[[nodiscard]] OptionDefinition fileOption(std::string name, std::string& target, std::string help) {
    return {std::move(name),
            "",
            "FILE",
            std::move(help),
            Arity::once,
            [&target](const std::string& path) {
                if (path.empty()) throw input::UsageError("\"\" is not a file name");
                target = path;
            },
            ""};
}

// The request's option `keyword` as the tool offers it.
[[nodiscard]] OptionDefinition requestOption(std::string_view keyword, app::RequestDraft& draft) {
    const app::RequestOption& option = app::requestOption(keyword);
    return {optionName(option.keyword),
            "",
            option.valueName,
            option.help,
            option.repeatable ? Arity::repeatable : Arity::once,
            [&draft, keyword](const std::string& text) { draft.set(keyword, text); },
            option.missingValueHint};
}

[[nodiscard]] OptionParser optionsOf(CliOptions& options, app::RequestDraft& draft, bool& quiet) {
    OptionParser parser(
        "Runs the epidemic model of N persons (--population, default 1000) for D days (--days, default\n"
        "180) without the window and writes CSV; counts are persons of N.\n"
        "One run: day,not_infected,infected,recovered for days 1..D.\n"
        "Parameters take the tool's ranges, wider than the window's sliders (both said below); the\n"
        "window's runs always have 1000 persons, 3 first cases and 180 days.\n"
        "Several runs (--runs K): one summary row per run; run i uses the seed seed + i.\n"
        "With --png, --bands or --summary and no --output, only those files are written.\n"
        "Every option but --change, --sweep and --prior is given at most once.");
    parser.add({"--version", "", "", "Display program version information and exit", Arity::flag,
                [](const std::string&) {}, ""});
    for (const ParameterInfo& info : parameterTable) parser.add(requestOption(info.name, draft));
    for (const char* const keyword : {"population", "initial", "days", "seed", "press", "runs", "threads"})
        parser.add(requestOption(keyword, draft));
    parser.add(fileOption("--output", options.output, "Output file; - is standard output (default -)"));
    parser.add(fileOption("--png", options.png,
                          "PNG image of the chart; with --runs K, the median curves and 10..90 % bands"));
    parser.add(fileOption("--bands", options.bands,
                          "With --runs K: CSV of each day's mean and 10/50/90th percentiles, in %"));
    parser.add(
        fileOption("--summary", options.summary, "With --runs K: CSV of the ensemble's summary figures"));
    parser.add(
        {"--quiet", "-q", "",
         "No progress line and no ensemble summary on standard error; repeated (-qq), the same as once",
         Arity::flag, [&quiet](const std::string&) { quiet = true; }, ""});
    parser.add(requestOption("change", draft));
    parser.add(requestOption("scenarios", draft));
    parser.add(
        fileOption("--differences", options.differences,
                   "With --scenarios: CSV of each scenario's run-by-run differences against the first"));
    for (const char* const keyword :
         {"sweep", "measure", "observed", "first_day", "prior", "reporting", "report_delay"})
        parser.add(requestOption(keyword, draft));
    parser.add(fileOption("--posterior", options.posterior,
                          "With --observed: CSV of the posterior sample, one row per particle"));
    parser.add(
        fileOption("--forecast", options.forecast,
                   "With --observed: CSV date,day,series,observed,mean,p10,p50,p90 of the forecast, a row "
                   "per row of the data's spacing up to day D and observed series, as they would be "
                   "counted"));
    parser.add(
        fileOption("--curves-png", options.curvesPng,
                   "With --observed: PNG image of the three model curves in percent with their bands, as "
                   "--png draws a fit to counts by day"));
    parser.add(fileOption("--posterior-png", options.posteriorPng,
                          "With --observed: PNG image of the joint posterior of encounters and infection"));
    return parser;
}

// Checks the request, then which files go with it, and only then reads the
// files it names.
void resolve(app::RequestDraft draft, const GivenOptions& given, CliOptions& options) {
    options.outputGiven = given.contains("--output");
    draft.check();
    checkOutputs(options, draft.draft(), given, ::isatty(STDOUT_FILENO) != 0);
    for (const auto& [keyword, path] : draft.inputFiles())
        options.inputFiles.emplace_back(optionName(keyword), path);
    options.request = std::move(draft).finish();
}

}  // namespace

std::variant<CliOptions, ExitStatus> parseCommandLine(int argc, const char* const* argv) {
    CliOptions options;
    app::RequestDraft draft(toolWording());
    bool quiet = false;
    const OptionParser parser = optionsOf(options, draft, quiet);
    if (parser.asksFor(argc, argv, "--help")) return printed(parser.helpText());
    if (parser.asksFor(argc, argv, "--version"))
        return printed(std::string(programName) + " " + PANDEMIE_VERSION + '\n');
    try {
        const GivenOptions given = parser.parse(argc, argv);
        resolve(std::move(draft), given, options);
    } catch (const input::UsageError& error) {
        printError(error.what());
        return exitUsageError;
    }
    if (quiet) options.progress = Progress::quiet;
    options.commandLine = output::commandLineText(argc, argv);
    return options;
}

}  // namespace pandemie::cli
