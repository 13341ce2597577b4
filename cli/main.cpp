// pandemie-cli: the epidemic model from the command line, for batch use.

#include <QGuiApplication>

#include <array>
#include <chrono>
#include <csignal>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <variant>

#include "chart/fit_image.h"
#include "chart/offscreen.h"
#include "chart/png_text.h"
#include "chart/run_image.h"
#include "chart/scenario_image.h"
#include "chart/sweep_image.h"
#include "cli/cluster.h"
#include "cli/discarded_output.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "input/usage_error.h"
#include "model/band_stats.h"
#include "model/scenario.h"
#include "output/csv.h"
#include "output/exports.h"
#include "output/file_writing.h"
#include "output/fit_exports.h"
#include "output/scenario_exports.h"

namespace {

using namespace pandemie;

// Qt's notes about its environment (such as a missing runtime directory) are
// no concern of the tool's user; its own errors are reported in its words.
void keepSeriousQtMessages(QtMsgType type, const QMessageLogContext& /*context*/, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << message.toStdString() << '\n';
}

// Fonts for the chart image; no display is needed, the platform is offscreen.
class ImageRendering {
public:
    ImageRendering() {
        qInstallMessageHandler(keepSeriousQtMessages);
        application_ = chart::startOffscreen(argc_, argv_.data());
    }

private:
    int argc_ = 1;
    std::array<char*, 2> argv_{const_cast<char*>(cli::programName), nullptr};
    std::unique_ptr<QGuiApplication> application_;
};

// The files of the call, each under its option's name; "-" is standard output.
// The files it reads come first, so that no output can replace one of them.
[[nodiscard]] output::OutputBatch filesOf(const cli::CliOptions& options) {
    output::OutputBatch files;
    for (const auto& [option, path] : options.inputFiles) files.addInput(option, path);
    if (options.writesCsv()) files.add("--output", options.output);
    const std::array<std::pair<const char*, const std::string*>, 6> exports{
        {{"--png", &options.png},
         {"--bands", &options.bands},
         {"--summary", &options.summary},
         {"--differences", &options.differences},
         {"--posterior", &options.posterior},
         {"--posterior-png", &options.posteriorPng}}};
    for (const auto& [option, path] : exports)
        if (!path->empty()) files.add(option, *path);
    return files;
}

// The image as PNG file contents, with the command line that made it in a
// UTF-8 text chunk, so that a figure found later can be made again.
void setPng(output::OutputBatch& files, const QImage& image, const cli::CliOptions& options,
            std::string_view option = "--png") {
    const QByteArray png = chart::pngWithCommand(image, options.commandLine);
    if (png.isEmpty()) throw output::WriteError(std::string(option) + ": PNG encoding failed");
    files.setContents(option, std::string(png.constData(), static_cast<std::size_t>(png.size())));
}

void setIfAsked(output::OutputBatch& files, std::string_view option, const std::string& path,
                const std::function<std::string()>& contents) {
    if (!path.empty()) files.setContents(option, contents());
}

// Runs every scenario K times with the progress line over all of them. Each
// process runs its block of the seeds; rank 0 gets the sum of all of them.
[[nodiscard]] ScenarioResults runWithProgress(const std::vector<Scenario>& scenarios,
                                              const cli::CliOptions& options, const cli::Cluster& cluster,
                                              Detail detail, std::vector<RunSummary>* perRun = nullptr) {
    const cli::RunShare share = cluster.shareOf(options.runs);
    const EnsembleOptions mine{options.seed + static_cast<std::uint64_t>(share.first), share.count,
                               options.threads};
    std::optional<ScenarioResults> results;
    const auto total = static_cast<std::int64_t>(scenarios.size()) * options.runs;
    cluster.runWithProgress(total, options.progress, [&](std::atomic<std::int64_t>* done) {
        results = runScenarios(scenarios, mine, detail, perRun, done);
    });
    cluster.sumToRoot(*results);
    if (perRun != nullptr) *perRun = cluster.gatherToRoot(std::move(*perRun));
    return std::move(*results);
}

void report(const cli::CliOptions& options, const std::string& text) {
    if (options.progress != cli::Progress::quiet) std::cerr << text;
}

void singleRun(const cli::CliOptions& options, output::OutputBatch& files) {
    const Trajectory trajectory = seededRun(options.parameters, options.changes, options.seed);
    if (!options.png.empty()) setPng(files, chart::firstRunImage(trajectory, options.changes), options);
    if (options.writesCsv()) files.setContents("--output", output::trajectoryCsv(trajectory));
}

void ensemble(const cli::CliOptions& options, const cli::Cluster& cluster, output::OutputBatch& files) {
    const std::vector<Scenario> scenario{{"", options.parameters, options.changes}};
    // The per-run table is kept only when it is written.
    std::vector<RunSummary> summaries;
    const ScenarioResults results = runWithProgress(scenario, options, cluster, Detail::bandsAndDifferences,
                                                    options.writesCsv() ? &summaries : nullptr);
    if (!cluster.isRoot()) return;
    const BandStatistics& bands = results.bands.front();
    const OutcomeStatistics& outcomes = results.summaries.front();
    report(options, output::summaryText(outcomes));
    setIfAsked(files, "--bands", options.bands, [&] { return output::bandsCsv(bands); });
    setIfAsked(files, "--summary", options.summary, [&] { return output::summaryCsv(outcomes); });
    if (!options.png.empty())
        setPng(files, chart::bandImage(bands.courses(), bands.runs(), options.parameters, options.changes),
               options);
    if (options.writesCsv()) files.setContents("--output", output::ensembleCsv(summaries));
}

// The tables and the image of a comparison of scenarios.
void writeScenarios(const cli::CliOptions& options, const ScenarioResults& results,
                    output::OutputBatch& files) {
    const std::vector<Scenario>& scenarios = options.scenarios;
    report(options, output::scenarioSummaryText(scenarios, results));
    setIfAsked(files, "--bands", options.bands, [&] { return output::scenarioBandsCsv(scenarios, results); });
    setIfAsked(files, "--summary", options.summary,
               [&] { return output::scenarioSummaryCsv(scenarios, results); });
    setIfAsked(files, "--differences", options.differences,
               [&] { return output::differencesCsv(scenarios, results); });
    if (!options.png.empty()) setPng(files, chart::scenarioImage(scenarios, results), options);
    if (options.writesCsv()) files.setContents("--output", output::scenarioSummaryCsv(scenarios, results));
}

void compareScenarios(const cli::CliOptions& options, const cli::Cluster& cluster,
                      output::OutputBatch& files) {
    const ScenarioResults results =
        runWithProgress(options.scenarios, options, cluster, Detail::bandsAndDifferences);
    if (cluster.isRoot()) writeScenarios(options, results, files);
}

void sweep(const cli::CliOptions& options, const cli::Cluster& cluster, output::OutputBatch& files) {
    const std::vector<Scenario> grid = sweepGrid({"", options.parameters, options.changes}, options.sweeps);
    const ScenarioResults results = runWithProgress(grid, options, cluster, Detail::summaries);
    if (!cluster.isRoot()) return;
    if (!options.png.empty())
        setPng(files, chart::sweepImage(options.sweeps, options.measure, results.summaries), options);
    if (options.writesCsv()) files.setContents("--output", output::sweepCsv(options.sweeps, grid, results));
}

[[nodiscard]] FitSettings fitSettingsOf(const cli::CliOptions& options) {
    FitSettings settings = defaultFitSettings();
    settings.prior = options.prior;
    settings.changes = options.changes;
    settings.seed = options.seed;
    settings.forecastRuns = options.runs;
    settings.threads = options.threads;
    return settings;
}

// Every process takes its share of the fit's simulations and gets all
// their distances, so each has the same result; rank 0 writes it.
void fitObserved(const cli::CliOptions& options, const cli::Cluster& cluster, output::OutputBatch& files) {
    const FitSettings settings = fitSettingsOf(options);
    const auto start = std::chrono::steady_clock::now();
    std::optional<FitResult> result;
    // The fit's length is not known beforehand; the line counts this
    // process's simulations against its share of a typical fit's number.
    const std::int64_t total = typicalFitSimulations(settings, cluster.processes());
    const Spread spread = cluster.spread(options.threads);
    cli::runHereWithProgress(
        total, cluster.isRoot() ? options.progress : cli::Progress::quiet,
        [&](std::atomic<std::int64_t>* done) { result = fit(options.observed, settings, spread, done); });
    if (!cluster.isRoot()) return;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    report(options, output::fitReportText(*result, settings, options.observed, seconds) + "forecast:\n" +
                        output::summaryText(result->outcomes));
    setIfAsked(files, "--posterior", options.posterior, [&] { return output::posteriorCsv(*result); });
    if (options.comparesScenarios()) {
        writeScenarios(
            options, forecastScenarios(*result, options.scenarios, options.changes, options.threads), files);
        return;
    }
    setIfAsked(files, "--summary", options.summary, [&] { return output::fitSummaryCsv(*result); });
    setIfAsked(files, "--bands", options.bands, [&] { return output::bandsCsv(result->bands); });
    if (!options.png.empty())
        setPng(files, chart::forecastImage(*result, options.observed, options.changes), options);
    if (!options.posteriorPng.empty())
        setPng(
            files,
            chart::jointPosteriorImage(result->joint(Parameter::encounters, Parameter::infection, settings)),
            options, "--posterior-png");
    if (options.writesCsv()) files.setContents("--output", output::ensembleCsv(result->matchingSummaries()));
}

void printError(const std::exception& error) {
    std::cerr << cli::programName << ": " << error.what() << '\n';
}

// Runs work and turns its failure into the tool's exit status, with the
// message on standard error.
[[nodiscard]] int statusOf(const std::function<void()>& work) {
    try {
        work();
        return cli::exitSuccess;
    } catch (const input::UsageError& error) {
        printError(error);
        return cli::exitUsageError;
    } catch (const output::WriteError& error) {
        printError(error);
        return cli::exitWriteFailure;
    }
}

// Rank 0 alone checks and writes the files; a bad one ends every process
// with its status before any run.
[[nodiscard]] int checkedFiles(const cli::CliOptions& options, const cli::Cluster& cluster,
                               output::OutputBatch& files) {
    if (!cluster.isRoot()) return cluster.rootStatus(cli::exitSuccess);
    return cluster.rootStatus(statusOf([&] {
        files = filesOf(options);
        // A bad path fails now, not after a long ensemble.
        files.checkWritable();
    }));
}

// Every process runs its share of the runs; the files are made and written
// on rank 0 after the last collective step, so a failure there leaves no
// process waiting.
[[nodiscard]] int run(const cli::CliOptions& options, const cli::Cluster& cluster) {
    output::OutputBatch files;
    if (const int status = checkedFiles(options, cluster, files); status != cli::exitSuccess) return status;
    return cluster.rootStatus(statusOf([&] {
        std::optional<ImageRendering> rendering;
        if ((!options.png.empty() || !options.posteriorPng.empty()) && cluster.isRoot()) rendering.emplace();
        if (options.fits()) {
            fitObserved(options, cluster, files);
        } else if (options.isSweep()) {
            sweep(options, cluster, files);
        } else if (options.comparesScenarios()) {
            compareScenarios(options, cluster, files);
        } else if (options.isEnsemble()) {
            ensemble(options, cluster, files);
        } else if (cluster.isRoot()) {
            singleRun(options, files);
        }
        if (cluster.isRoot()) files.commit();
    }));
}

}  // namespace

int main(int argc, char** argv) {
    // Past a file size limit a write then fails with EFBIG and is reported and
    // cleaned up, instead of the signal ending the tool mid-write.
    std::signal(SIGXFSZ, SIG_IGN);
    const cli::Cluster cluster;
    std::optional<cli::DiscardedOutput> silence;
    if (!cluster.isRoot()) silence.emplace();
    // Every process reads the same command line to the same options.
    auto parsed = cli::parseCommandLine(argc, argv);
    auto* options = std::get_if<cli::CliOptions>(&parsed);
    if (options == nullptr) return cluster.rootStatus(*std::get_if<cli::ExitStatus>(&parsed));
    if (!cluster.isRoot()) {
        options->progress = cli::Progress::quiet;
    } else if (cluster.launched() && options->progress == cli::Progress::shown) {
        options->progress = cli::Progress::forwarded;
    }
    return run(*options, cluster);
}
