// pandemie-cli: the epidemic model from the command line, for batch use.

#include <csignal>
#include <iostream>
#include <variant>

#include "csv.h"
#include "options.h"
#include "output.h"
#include "progress.h"

namespace {

using namespace pandemie;

[[nodiscard]] std::string singleRunCsv(const cli::CliOptions& options) {
    Random random(options.seed);
    return cli::trajectoryCsv(runTrajectory(options.parameters, random));
}

[[nodiscard]] std::string ensembleCsv(const cli::CliOptions& options) {
    const EnsembleOptions ensemble{options.seed, options.runs, options.threads};
    return cli::ensembleCsv(cli::runEnsembleWithProgress(options.parameters, ensemble));
}

[[nodiscard]] int run(const cli::CliOptions& options) {
    try {
        // A bad path fails now, not after a long ensemble.
        if (!options.toStandardOutput()) cli::checkWritable(options.output);
        const std::string csv = options.isEnsemble() ? ensembleCsv(options) : singleRunCsv(options);
        if (options.toStandardOutput()) {
            cli::writeStandardOutput(csv);
        } else {
            cli::writeFileAtomically(options.output, csv);
        }
        return cli::exitSuccess;
    } catch (const cli::WriteError& error) {
        std::cerr << cli::programName << ": " << error.what() << '\n';
        return cli::exitWriteFailure;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Past a file size limit a write then fails with EFBIG and is reported and
    // cleaned up, instead of the signal ending the tool mid-write.
    std::signal(SIGXFSZ, SIG_IGN);
    const auto parsed = cli::parseCommandLine(argc, argv);
    if (const auto* status = std::get_if<cli::ExitStatus>(&parsed)) return *status;
    return run(std::get<cli::CliOptions>(parsed));
}
