#include "cli/options.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <limits>

#include "cli/option_compatibility.h"
#include "cli/option_parser.h"
#include "cli/whole_number_option.h"
#include "input/changes.h"
#include "input/fit_request_checks.h"
#include "input/measures.h"
#include "input/observed_file.h"
#include "input/parameter_names.h"
#include "input/priors.h"
#include "input/quoted.h"
#include "input/scenario_file.h"
#include "input/sweeps.h"
#include "input/usage_error.h"
#include "output/command_line.h"

namespace pandemie::cli {

namespace {

using input::addChanges;
using input::dayRange;
using input::loadScenarios;
using input::outcomeList;
using input::parameterList;
using input::parseMeasure;
using input::parsePrior;
using input::parseSweep;
using input::populationRange;
using input::runsRange;
using input::seedRange;
using input::threadsRange;
using input::wholeRange;

constexpr std::int64_t defaultMatchingRuns = 200;

void printError(const std::string& message) {
    std::cerr << programName << ": " << message << '\n';
}

[[nodiscard]] ExitStatus printed(const std::string& text) {
    if (std::cout << text << std::flush) return exitSuccess;
    printError("cannot write standard output");
    return exitWriteFailure;
}

// What the options' values decide only once all of them are known: the
// scenario file takes its defaults from the others.
struct Deferred {
    std::string scenarioFile;
    std::string observedFile;
    int population = countedPersons;
    int firstDay = 0;  // 0: the file's days are the model's
    std::vector<std::pair<Parameter, ParameterRange>> priors;
    bool quiet = false;
};

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

[[nodiscard]] OptionDefinition valueOption(std::string name, std::string valueName, Arity arity,
                                           std::string help, std::function<void(const std::string&)> take) {
    return {std::move(name), "", std::move(valueName), std::move(help), arity, std::move(take), ""};
}

[[nodiscard]] std::string measureHelp() {
    std::string help = "What a sweep's image shows: " + outcomeList();
    return help + " (default " + std::string(infoOf(CliOptions{}.measure).name) + ")";
}

void addFitOptions(OptionParser& parser, CliOptions& options, Deferred& deferred) {
    parser.add(fileOption("--observed", deferred.observedFile,
                          "CSV of observed counts (day and any of not_infected, infected, recovered): fits "
                          "the parameters not given and forecasts days 1..180 from the runs that match; "
                          "--runs K is then the number of matching runs (default " +
                              std::to_string(defaultMatchingRuns) + ")"));
    parser.add(
        wholeNumberOption("--population", deferred.population, populationRange,
                          "With --observed: the persons the counts were counted in; they are scaled to "
                          "1000 persons, and every output is per 1000 persons"));
    parser.add(wholeNumberOption("--first-day", deferred.firstDay, dayRange,
                                 "With --observed: the model's day of the file's first day; the other days "
                                 "follow it",
                                 "the file's days are the model's"));
    parser.add(
        valueOption("--prior", "NAME=FROM..TO", Arity::repeatable,
                    "With --observed: the values the parameter may take (default its whole range); "
                    "once per parameter",
                    [&deferred](const std::string& text) { deferred.priors.push_back(parsePrior(text)); }));
    parser.add(fileOption("--posterior", options.posterior,
                          "With --observed: CSV of the posterior sample, one row per particle"));
    parser.add(fileOption("--posterior-png", options.posteriorPng,
                          "With --observed: PNG image of the joint posterior of encounters and infection"));
}

[[nodiscard]] OptionParser optionsOf(CliOptions& options, Deferred& deferred) {
    OptionParser parser(
        "Runs the epidemic model of 1000 persons for 180 days without the window and writes CSV.\n"
        "One run: day,not_infected,infected,recovered for days 1..180.\n"
        "Several runs (--runs K): one summary row per run; run i uses the seed seed + i.\n"
        "With --png, --bands or --summary and no --output, only those files are written.\n"
        "Every option but --change, --sweep and --prior is given at most once.");
    parser.add({"--version", "", "", "Display program version information and exit", Arity::flag,
                [](const std::string&) {}, ""});
    for (const ParameterInfo& info : parameterTable) {
        const WholeRange range = wholeRange(info.parameter);
        OptionDefinition definition{"--" + std::string(info.name),
                                    "",
                                    "N",
                                    std::string(info.description) + " (" + rangeText(range) + ", default " +
                                        std::to_string(info.defaultValue) + ")",
                                    Arity::once,
                                    [&options, &info, range](const std::string& text) {
                                        setParameterValue(options.parameters, info.parameter,
                                                          static_cast<int>(wholeNumberIn(text, range)));
                                    },
                                    "; expected a whole number in " + rangeText(range)};
        parser.add(std::move(definition));
    }
    parser.add(wholeNumberOption("--seed", options.seed, seedRange,
                                 "Seed of run 0; the default gives the window's first run"));
    parser.add(
        wholeNumberOption("--runs", options.runs, runsRange, "Number of runs; more than 1 writes summaries"));
    parser.add(wholeNumberOption("--threads", options.threads, threadsRange,
                                 "Worker threads; the output does not depend on them",
                                 "one per processor core"));
    parser.add(fileOption("--output", options.output, "Output file; - is standard output (default -)"));
    parser.add(fileOption("--png", options.png,
                          "PNG image of the chart; with --runs K, the median curves and 10..90 % bands"));
    parser.add(fileOption("--bands", options.bands,
                          "With --runs K: CSV of each day's mean and 10/50/90th percentiles, in %"));
    parser.add(
        fileOption("--summary", options.summary, "With --runs K: CSV of the ensemble's summary figures"));
    parser.add({"--quiet", "-q", "", "No progress line and no ensemble summary on standard error",
                Arity::flag, [&deferred](const std::string&) { deferred.quiet = true; }, ""});
    parser.add(valueOption("--change", "DAY:NAME=VALUE[,NAME=VALUE...]", Arity::repeatable,
                           "From day DAY (1..180) on, the named parameters (" + parameterList() +
                               ") have the new values; one day per --change, repeatable",
                           [&options](const std::string& text) { addChanges(options.changes, text); }));
    parser.add(fileOption("--scenarios", deferred.scenarioFile,
                          "TOML file of named scenarios, each run --runs times on the same seeds"));
    parser.add(
        fileOption("--differences", options.differences,
                   "With --scenarios: CSV of each scenario's run-by-run differences against the first"));
    parser.add(
        valueOption("--sweep", "NAME=VALUES", Arity::repeatable,
                    "NAME=FROM..TO[:STEP] or NAME=V1,V2,...: runs every value; once per --sweep, "
                    "given twice a grid; --output gets one row per point",
                    [&options](const std::string& text) { options.sweeps.push_back(parseSweep(text)); }));
    parser.add(valueOption("--measure", "NAME", Arity::once, measureHelp(),
                           [&options](const std::string& text) { options.measure = parseMeasure(text); }));
    addFitOptions(parser, options, deferred);
    return parser;
}

// The fit's prior: each parameter's whole range, narrowed by --prior, or
// its value alone where its option is given.
void setPrior(const Deferred& deferred, const GivenOptions& given, CliOptions& options) {
    std::array<bool, parameterTable.size()> fixed{};
    for (const ParameterInfo& info : parameterTable)
        fixed[static_cast<std::size_t>(info.parameter)] = given.contains("--" + std::string(info.name));
    options.prior = input::fitPrior(options.parameters, fixed, deferred.priors, "--prior: ", "its option");
}

void readObserved(const Deferred& deferred, const GivenOptions& given, CliOptions& options) {
    // Read by the call, so no output may name it.
    options.inputFiles.emplace_back("--observed", deferred.observedFile);
    options.observed = input::readObservations(deferred.observedFile, deferred.population);
    if (deferred.firstDay > 0)
        options.observed =
            input::startingOnDay(std::move(options.observed), deferred.firstDay, "--first-day ");
    setPrior(deferred, given, options);
    if (!given.contains("--runs")) options.runs = defaultMatchingRuns;
}

// Checks which options go together and only then reads the scenario file.
void resolve(const Deferred& deferred, const GivenOptions& given, CliOptions& options) {
    options.changes = sortedByDay(std::move(options.changes));
    options.outputGiven = given.contains("--output");
    checkCompatibility(options, given, ::isatty(STDOUT_FILENO) != 0);
    if (given.contains("--observed")) readObserved(deferred, given, options);
    if (given.contains("--scenarios")) {
        // Read by the call, so no output may name it.
        options.inputFiles.emplace_back("--scenarios", deferred.scenarioFile);
        options.scenarios = loadScenarios(deferred.scenarioFile, options.parameters);
        if (options.fits())
            input::checkScenariosOfFit(options.scenarios, options.parameters, options.observed.lastDay(),
                                       "--scenarios: scenario ", "--observed");
    }
}

}  // namespace

std::variant<CliOptions, ExitStatus> parseCommandLine(int argc, const char* const* argv) {
    CliOptions options;
    options.threads = hardwareThreads();
    Deferred deferred;
    const OptionParser parser = optionsOf(options, deferred);
    if (hasArgument(argc, argv, "--help") || hasArgument(argc, argv, "-h")) return printed(parser.helpText());
    if (hasArgument(argc, argv, "--version"))
        return printed(std::string(programName) + " " + PANDEMIE_VERSION + '\n');
    try {
        const GivenOptions given = parser.parse(argc, argv);
        resolve(deferred, given, options);
    } catch (const input::UsageError& error) {
        printError(error.what());
        return exitUsageError;
    }
    if (deferred.quiet) options.progress = Progress::quiet;
    options.commandLine = output::commandLineText(argc, argv);
    return options;
}

}  // namespace pandemie::cli
