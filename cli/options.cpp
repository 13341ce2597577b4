#include "cli/options.h"

#include <algorithm>
#include <array>
#include <iostream>
#include <limits>
#include <thread>
#include <vector>

#include "cli/messages.h"
#include "cli/scenario_options.h"
#include "cli/whole_number.h"
#include "io/quoted.h"

namespace pandemie::cli {

namespace {

constexpr WholeRange seedRange{0, std::numeric_limits<std::uint64_t>::max()};
constexpr WholeRange runsRange{1, 1'000'000};
constexpr WholeRange threadsRange{1, 256};

[[nodiscard]] int hardwareThreads() {
    const auto count = static_cast<std::uint64_t>(std::thread::hardware_concurrency());  // 0 when unknown
    return static_cast<int>(std::clamp(count, threadsRange.min, threadsRange.max));
}

void printError(const std::string& message) {
    std::cerr << programName << ": " << message << '\n';
}

// An option name shows as typed, unless it has bytes that need quoting.
[[nodiscard]] std::string shownName(const std::string& name) {
    std::string shown = io::quotedValue(name);
    return shown == '"' + name + '"' ? name : shown;
}

[[nodiscard]] std::string unexpectedArgumentMessage(const std::string& argument, const CLI::App& app) {
    if (!argument.starts_with('-'))
        return "unexpected argument " + io::quotedValue(argument) + " (see --help)";
    const std::string name = argument.substr(0, argument.find('='));
    std::vector<std::string> known;
    for (const CLI::Option* option : app.get_options())
        for (const std::string& longName : option->get_lnames()) known.push_back("--" + longName);
    const std::string closest = closestOption(name, known);
    if (closest.empty()) return "unknown option " + shownName(name) + " (see --help)";
    return "unknown option " + shownName(name) + "; did you mean " + closest + "?";
}

[[nodiscard]] ExitStatus helpOrVersion(const CLI::App& app, const CLI::ParseError& request) {
    app.exit(request);  // prints the help or version text on standard output
    if (std::cout.flush()) return exitSuccess;
    printError("cannot write standard output");
    return exitWriteFailure;
}

[[nodiscard]] std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

struct FileOption {
    std::string* target;
    std::string name;
    std::string description;
};

struct NamedRange {
    std::string name;
    WholeRange range;
};

// CLI11 words a missing value as "--runs: 1 required N missing"; for a
// whole-number option say which numbers it takes. As repeated options are
// allowed, a missing value is the only mismatch left.
[[nodiscard]] std::string mismatchMessage(const CLI::ArgumentMismatch& error,
                                          const std::vector<NamedRange>& options) {
    std::string text = firstLine(error.what());
    const std::string name = text.substr(0, text.find(':'));
    const auto option = std::find_if(options.begin(), options.end(),
                                     [&](const NamedRange& candidate) { return candidate.name == name; });
    if (option == options.end()) return name + ": no value given (see --help)";
    return name + ": no value given; expected a whole number in " + rangeText(option->range);
}

}  // namespace

std::variant<CliOptions, ExitStatus> parseCommandLine(int argc, const char* const* argv) {
    CliOptions options;
    options.threads = hardwareThreads();
    int infectionPerMille = static_cast<int>(options.parameters.infectionPerMille);

    CLI::App app(
        "Runs the epidemic model of 1000 persons for 180 days without the window and writes CSV.\n"
        "One run: day,not_infected,infected,recovered for days 1..180.\n"
        "Several runs (--runs K): one summary row per run; run i uses the seed seed + i.\n"
        "With --png, --bands or --summary and no --output, only those files are written.",
        programName);
    app.allow_extras();  // reported below in our own words
    app.set_version_flag("--version", std::string(programName) + " " + PANDEMIE_VERSION);

    std::vector<NamedRange> wholeOptions;
    auto addWhole = [&](const std::string& name, auto& target, WholeRange range,
                        const std::string& description, const std::string& defaultText = {}) {
        wholeOptions.push_back({name, range});
        addWholeNumberOption(app, name, target, range, description, defaultText);
    };
    Parameters& parameters = options.parameters;
    addWhole("--encounters", parameters.encountersPerDay, wholeRange(Parameter::encounters),
             "Encounters per day, in thousands");
    addWhole("--infection", infectionPerMille, wholeRange(Parameter::infection),
             "Chance that an encounter infects, in per mille");
    addWhole("--latency", parameters.latencyDays, wholeRange(Parameter::latency),
             "Days after infection before a person is infectious");
    addWhole("--recovery", parameters.recoveryDays, wholeRange(Parameter::recovery),
             "Days after infection until a person has recovered");
    addWhole("--seed", options.seed, seedRange, "Seed of run 0; the default gives the window's first run");
    addWhole("--runs", options.runs, runsRange, "Number of runs; more than 1 writes summaries");
    addWhole("--threads", options.threads, threadsRange, "Worker threads; the output does not depend on them",
             "one per processor core");
    const CLI::Validator fileName(
        [](const std::string& path) { return path.empty() ? std::string("\"\" is not a file name") : ""; },
        "");
    app.add_option("--output", options.output, "Output file; - is standard output (default -)")
        ->type_name("FILE")
        ->check(fileName)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    const std::array<FileOption, 3> exportFiles{{
        {&options.png, "--png",
         "PNG image of the chart; with --runs K, the median curves and 10..90 % bands"},
        {&options.bands, "--bands", "With --runs K: CSV of each day's mean and 10/50/90th percentiles, in %"},
        {&options.summary, "--summary", "With --runs K: CSV of the ensemble's summary figures"},
    }};
    for (const FileOption& file : exportFiles) {
        app.add_option(file.name, *file.target, file.description)
            ->type_name("FILE")
            ->check(fileName)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }

    bool quiet = false;
    app.add_flag("--quiet,-q", quiet, "No progress line and no ensemble summary on standard error");
    LabOptionTexts lab;
    addLabOptions(app, lab, options);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& request) {
        return helpOrVersion(app, request);
    } catch (const CLI::CallForVersion& request) {
        return helpOrVersion(app, request);
    } catch (const CLI::ArgumentMismatch& error) {
        printError(mismatchMessage(error, wholeOptions));
        return exitUsageError;
    } catch (const CLI::ParseError& error) {
        printError(firstLine(error.what()));
        return exitUsageError;
    }
    if (const auto extras = app.remaining(); !extras.empty()) {
        printError(unexpectedArgumentMessage(extras.front(), app));
        return exitUsageError;
    }
    parameters.infectionPerMille = static_cast<float>(infectionPerMille);
    options.outputGiven = app.count("--output") > 0;
    if (quiet) options.progress = Progress::quiet;
    options.commandLine = commandLineText(argc, argv);
    try {
        resolveLabOptions(lab, options);
    } catch (const InputError& error) {
        printError(firstLine(error.what()));
        return exitUsageError;
    }
    for (const FileOption& file : exportFiles) {
        if (file.name != "--png" && !file.target->empty() && !options.isEnsemble() &&
            !options.comparesScenarios()) {
            printError(file.name + ": needs an ensemble, --runs 2 or more");
            return exitUsageError;
        }
    }
    return options;
}

}  // namespace pandemie::cli
