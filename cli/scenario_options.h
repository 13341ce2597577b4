#pragma once
// The options of interventions, scenarios and sweeps, parsed from their text.
// Bad input throws InputError with a one-line message.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/options.h"
#include "cli/whole_number.h"
#include "model/scenario.h"

namespace pandemie::cli {

// The values the parameter's option takes: its slider's range.
[[nodiscard]] WholeRange wholeRange(Parameter parameter);

class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Each text is DAY:NAME=VALUE[,NAME=VALUE...]; the changes of all texts,
// ordered by day. A parameter changed twice on one day is refused.
[[nodiscard]] Schedule parseChanges(const std::vector<std::string>& texts);

// NAME=FROM..TO[:STEP] or NAME=V1,V2,...; the values ascending.
[[nodiscard]] SweepAxis parseSweep(const std::string& text);

// peak_infected, peak_day or final_recovered.
[[nodiscard]] Outcome parseMeasure(const std::string& text);

// The scenarios of a TOML file: [[scenario]] tables with a name, parameters
// (those left out from defaults) and [[scenario.change]] tables with a day
// and new values. Errors name the file and the line.
[[nodiscard]] std::vector<Scenario> loadScenarios(const std::string& path, const Parameters& defaults);

// The texts of --change, --scenarios, --sweep and --measure as given.
struct LabOptionTexts {
    std::vector<std::string> changes;
    std::string scenarios;
    std::vector<std::string> sweeps;
    std::string measure;
};

// Adds --change, --scenarios, --sweep, --measure and --differences.
void addLabOptions(CLI::App& app, LabOptionTexts& texts, CliOptions& options);

// Fills options from the texts (after the other options are known, as the
// scenario file takes its defaults from them) and refuses combinations that
// make no sense.
void resolveLabOptions(const LabOptionTexts& texts, CliOptions& options);

// The arguments as a shell would need them typed again, without --threads
// and --quiet, which change no result.
[[nodiscard]] std::string commandLineText(int argc, const char* const* argv);

}  // namespace pandemie::cli
