#include "cli/option_compatibility.h"

#include "output/file_writing.h"

namespace pandemie::cli {

namespace {

void refuse(const std::string& message) {
    throw input::UsageError(message);
}

}  // namespace

void checkOutputs(const CliOptions& options, const app::Request& request, const GivenOptions& given,
                  bool standardOutputIsTerminal) {
    const bool scenarios = given.contains("--scenarios");
    const bool fits = given.contains("--observed");
    if (!request.sweeps.empty())
        for (const char* const table : {"--bands", "--summary", "--differences"})
            if (given.contains(table))
                refuse(std::string(table) + ": not with --sweep, whose table is --output");
    if (given.contains("--differences") && !scenarios) refuse("--differences: needs --scenarios");
    for (const char* const table : {"--bands", "--summary"})
        if (given.contains(table) && request.runs <= 1 && !scenarios && !fits)
            refuse(std::string(table) + ": needs an ensemble, --runs 2 or more");
    for (const char* const option : {"--posterior", "--posterior-png", "--forecast", "--curves-png"})
        if (given.contains(option) && !fits) refuse(std::string(option) + ": needs --observed");
    // As a compressor would, the tool keeps binary data off the screen.
    if (options.png == output::standardOutput && standardOutputIsTerminal)
        refuse("--png: standard output is a terminal; name a file or redirect standard output");
}

}  // namespace pandemie::cli
