#pragma once
// The command line of pandemie-cli.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "app/request.h"
#include "cli/progress.h"

namespace pandemie::cli {

inline constexpr const char* programName = "pandemie-cli";

enum ExitStatus : int { exitSuccess = 0, exitWriteFailure = 1, exitUsageError = 2 };

// What the tool is asked: the request, and where its results go.
struct CliOptions {
    app::Request request;
    std::string output = "-";             // "-" is standard output
    bool outputGiven = false;             // without --output, export files replace the CSV
    std::string png;                      // chart image, empty for none
    std::string bands;                    // ensembles: per-day percentile bands, empty for none
    std::string summary;                  // ensembles: summary figures as CSV, empty for none
    std::string differences;              // scenarios: paired differences against the first, empty for none
    Progress progress = Progress::shown;  // --quiet: no progress line, no summary on standard error
    std::string posterior;                // fit: the posterior sample as CSV, empty for none
    std::string posteriorPng;             // fit: image of the joint posterior, empty for none
    std::string curvesPng;                // fit: the three model curves in percent, empty for none
    std::string forecast;                 // fit: the forecast in the data's rows as CSV, empty for none
    std::string commandLine;              // as typed, for the images' metadata
    // The option and path of each file the call reads, which no output may replace.
    std::vector<std::pair<std::string, std::string>> inputFiles;

    [[nodiscard]] bool hasExportFiles() const noexcept {
        return !png.empty() || !bands.empty() || !summary.empty() || !differences.empty() ||
               !posterior.empty() || !posteriorPng.empty() || !forecast.empty() || !curvesPng.empty();
    }
    // The CSV of runs goes out unless only export files were asked for.
    [[nodiscard]] bool writesCsv() const noexcept { return outputGiven || !hasExportFiles(); }
};

// The options given in argv, or the exit status when there is nothing to run:
// after --help or --version (printed on standard output, whatever else is
// given; --help first) or after bad input (one line on standard error).
[[nodiscard]] std::variant<CliOptions, ExitStatus> parseCommandLine(int argc, const char* const* argv);

}  // namespace pandemie::cli
