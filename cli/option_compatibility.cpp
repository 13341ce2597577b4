#include "cli/option_compatibility.h"

#include "input/usage_error.h"
#include "output/file_writing.h"

namespace pandemie::cli {

namespace {

void refuse(const std::string& message) {
    throw input::UsageError(message);
}

void checkSweeps(const CliOptions& options, const GivenOptions& given) {
    const std::vector<SweepAxis>& sweeps = options.sweeps;
    if (sweeps.size() > 2) refuse("--sweep: at most two parameters can be swept");
    if (sweeps.size() == 2 && sweeps[0].parameter == sweeps[1].parameter)
        refuse("--sweep: " + std::string(infoOf(sweeps[0].parameter).name) + " is swept twice");
    for (const SweepAxis& axis : sweeps) {
        const std::string option = "--" + std::string(infoOf(axis.parameter).name);
        if (given.contains(option))
            refuse(option + ": cannot be combined with --sweep of " +
                   std::string(infoOf(axis.parameter).name));
    }
    if (given.contains("--measure") && !options.isSweep()) refuse("--measure: needs --sweep");
    if (!options.isSweep()) return;
    if (given.contains("--scenarios")) refuse("--sweep: cannot be combined with --scenarios");
    for (const char* const table : {"--bands", "--summary", "--differences"})
        if (given.contains(table)) refuse(std::string(table) + ": not with --sweep, whose table is --output");
}

void checkScenarios(const CliOptions& options, const GivenOptions& given) {
    const bool scenarios = given.contains("--scenarios");
    if (given.contains("--differences") && !scenarios) refuse("--differences: needs --scenarios");
    // A fit's --change holds the interventions that already happened.
    if (scenarios && !options.changes.empty() && !given.contains("--observed"))
        refuse("--change: with --scenarios the changes belong in the scenario file");
    for (const char* const table : {"--bands", "--summary"})
        if (given.contains(table) && !options.isEnsemble() && !scenarios && !given.contains("--observed"))
            refuse(std::string(table) + ": needs an ensemble, --runs 2 or more");
}

void checkFit(const GivenOptions& given) {
    const bool fits = given.contains("--observed");
    for (const char* const option :
         {"--population", "--first-day", "--prior", "--posterior", "--posterior-png"})
        if (given.contains(option) && !fits) refuse(std::string(option) + ": needs --observed");
    if (!fits) return;
    if (given.contains("--sweep")) refuse("--sweep: cannot be combined with --observed");
}

}  // namespace

void checkCompatibility(const CliOptions& options, const GivenOptions& given, bool standardOutputIsTerminal) {
    checkSweeps(options, given);
    checkScenarios(options, given);
    checkFit(given);
    // As a compressor would, the tool keeps binary data off the screen.
    if (options.png == output::standardOutput && standardOutputIsTerminal)
        refuse("--png: standard output is a terminal; name a file or redirect standard output");
}

}  // namespace pandemie::cli
