#pragma once
// The command line of pandemie-cli.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "cli/progress.h"
#include "model/fit.h"
#include "model/model.h"
#include "model/observations.h"
#include "model/scenario.h"

namespace pandemie::cli {

inline constexpr const char* programName = "pandemie-cli";

enum ExitStatus : int { exitSuccess = 0, exitWriteFailure = 1, exitUsageError = 2 };

struct CliOptions {
    Parameters parameters;
    std::uint64_t seed = windowSeed;
    std::int64_t runs = 1;
    int threads = 1;
    std::string output = "-";             // "-" is standard output
    bool outputGiven = false;             // without --output, export files replace the CSV
    std::string png;                      // chart image, empty for none
    std::string bands;                    // ensembles: per-day percentile bands, empty for none
    std::string summary;                  // ensembles: summary figures as CSV, empty for none
    std::string differences;              // scenarios: paired differences against the first, empty for none
    Progress progress = Progress::shown;  // --quiet: no progress line, no summary on standard error
    Schedule changes;                     // from --change, ordered by day
    std::vector<Scenario> scenarios;      // from --scenarios, empty for none
    std::vector<SweepAxis> sweeps;        // from --sweep, at most two
    Outcome measure = Outcome::finalRecovered;  // what a sweep image shows
    Observations observed;                      // from --observed, scaled to 1000 persons; empty for none
    std::array<ParameterRange, parameterTable.size()>
        prior{};               // of a fit: --prior, or a given parameter fixed
    std::string posterior;     // fit: the posterior sample as CSV, empty for none
    std::string posteriorPng;  // fit: image of the joint posterior, empty for none
    std::string commandLine;   // as typed, for the images' metadata
    // The option and path of each file the call reads, which no output may replace.
    std::vector<std::pair<std::string, std::string>> inputFiles;

    [[nodiscard]] bool isEnsemble() const noexcept { return runs > 1; }
    [[nodiscard]] bool isSweep() const noexcept { return !sweeps.empty(); }
    [[nodiscard]] bool comparesScenarios() const noexcept { return !scenarios.empty(); }
    [[nodiscard]] bool fits() const noexcept { return !observed.days.empty(); }
    [[nodiscard]] bool hasExportFiles() const noexcept {
        return !png.empty() || !bands.empty() || !summary.empty() || !differences.empty() ||
               !posterior.empty() || !posteriorPng.empty();
    }
    // The CSV of runs goes out unless only export files were asked for.
    [[nodiscard]] bool writesCsv() const noexcept { return outputGiven || !hasExportFiles(); }
};

// The options given in argv, or the exit status when there is nothing to run:
// after --help or --version (printed on standard output, whatever else is
// given; --help first) or after bad input (one line on standard error).
[[nodiscard]] std::variant<CliOptions, ExitStatus> parseCommandLine(int argc, const char* const* argv);

}  // namespace pandemie::cli
