// pandemie-cli: the epidemic model from the command line, for batch use.

#include <QGuiApplication>

#include <array>
#include <csignal>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <variant>

#include "band_stats.h"
#include "io/csv.h"
#include "io/exports.h"
#include "io/file_writing.h"
#include "io/scenario_exports.h"
#include "offscreen.h"
#include "options.h"
#include "progress.h"
#include "run_image.h"
#include "scenario.h"
#include "scenario_image.h"
#include "sweep_image.h"

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
[[nodiscard]] io::OutputBatch filesOf(const cli::CliOptions& options) {
    io::OutputBatch files;
    if (options.writesCsv()) files.add("--output", options.output);
    const std::array<std::pair<const char*, const std::string*>, 4> exports{
        {{"--png", &options.png},
         {"--bands", &options.bands},
         {"--summary", &options.summary},
         {"--differences", &options.differences}}};
    for (const auto& [option, path] : exports)
        if (!path->empty()) files.add(option, *path);
    return files;
}

// The image as PNG file contents, with the command line that made it in a
// text chunk, so that a figure found later can be made again.
void setPng(io::OutputBatch& files, QImage image, const cli::CliOptions& options) {
    image.setText(QStringLiteral("Command"), QString::fromStdString(options.commandLine));
    const QByteArray png = chart::encodePng(image);
    if (png.isEmpty()) throw io::WriteError("--png: PNG encoding failed");
    files.setContents("--png", std::string(png.constData(), static_cast<std::size_t>(png.size())));
}

void setIfAsked(io::OutputBatch& files, std::string_view option, const std::string& path,
                const std::function<std::string()>& contents) {
    if (!path.empty()) files.setContents(option, contents());
}

[[nodiscard]] EnsembleOptions ensembleOptions(const cli::CliOptions& options) {
    return {options.seed, options.runs, options.threads};
}

// Runs every scenario K times with the progress line over all of them.
[[nodiscard]] ScenarioResults runWithProgress(const std::vector<Scenario>& scenarios,
                                              const cli::CliOptions& options, Detail detail,
                                              std::vector<RunSummary>* perRun = nullptr) {
    std::optional<ScenarioResults> results;
    const auto total = static_cast<std::int64_t>(scenarios.size()) * options.runs;
    cli::runWithProgress(total, options.progress, [&](std::atomic<std::int64_t>* done) {
        results = runScenarios(scenarios, ensembleOptions(options), detail, perRun, done);
    });
    return std::move(*results);
}

void report(const cli::CliOptions& options, const std::string& text) {
    if (options.progress == cli::Progress::shown) std::cerr << text;
}

void singleRun(const cli::CliOptions& options, io::OutputBatch& files) {
    const Trajectory trajectory = seededRun(options.parameters, options.changes, options.seed);
    if (!options.png.empty()) setPng(files, chart::firstRunImage(trajectory, options.changes), options);
    if (options.writesCsv()) files.setContents("--output", io::trajectoryCsv(trajectory));
}

void ensemble(const cli::CliOptions& options, io::OutputBatch& files) {
    const std::vector<Scenario> scenario{{"", options.parameters, options.changes}};
    // The per-run table is kept only when it is written.
    std::vector<RunSummary> summaries;
    const ScenarioResults results = runWithProgress(scenario, options, Detail::bandsAndDifferences,
                                                    options.writesCsv() ? &summaries : nullptr);
    const EnsembleStatistics& statistics = results.ensembles.front();
    report(options, io::summaryText(statistics));
    setIfAsked(files, "--bands", options.bands, [&] { return io::bandsCsv(statistics); });
    setIfAsked(files, "--summary", options.summary, [&] { return io::summaryCsv(statistics); });
    if (!options.png.empty())
        setPng(files,
               chart::bandImage(statistics.courses(), statistics.runs(), options.parameters, options.changes),
               options);
    if (options.writesCsv()) files.setContents("--output", io::ensembleCsv(summaries));
}

void compareScenarios(const cli::CliOptions& options, io::OutputBatch& files) {
    const std::vector<Scenario>& scenarios = options.scenarios;
    const ScenarioResults results = runWithProgress(scenarios, options, Detail::bandsAndDifferences);
    report(options, io::scenarioSummaryText(scenarios, results));
    setIfAsked(files, "--bands", options.bands, [&] { return io::scenarioBandsCsv(scenarios, results); });
    setIfAsked(files, "--summary", options.summary,
               [&] { return io::scenarioSummaryCsv(scenarios, results); });
    setIfAsked(files, "--differences", options.differences,
               [&] { return io::differencesCsv(scenarios, results); });
    if (!options.png.empty()) {
        std::vector<chart::ScenarioCourses> courses;
        for (std::size_t s = 0; s < scenarios.size(); ++s)
            courses.push_back({QString::fromStdString(scenarios[s].name), results.ensembles[s].courses(),
                               scenarios[s].changes});
        setPng(files, chart::scenarioImage(courses), options);
    }
    if (options.writesCsv()) files.setContents("--output", io::scenarioSummaryCsv(scenarios, results));
}

void sweep(const cli::CliOptions& options, io::OutputBatch& files) {
    const std::vector<Scenario> grid = sweepGrid({"", options.parameters, options.changes}, options.sweeps);
    const ScenarioResults results = runWithProgress(grid, options, Detail::summaries);
    if (!options.png.empty())
        setPng(files, chart::sweepImage(options.sweeps, options.measure, results.summaries), options);
    if (options.writesCsv()) files.setContents("--output", io::sweepCsv(options.sweeps, grid, results));
}

void printError(const std::exception& error) {
    std::cerr << cli::programName << ": " << error.what() << '\n';
}

[[nodiscard]] int run(const cli::CliOptions& options) {
    try {
        io::OutputBatch files = filesOf(options);
        // A bad path fails now, not after a long ensemble.
        files.checkWritable();
        std::optional<ImageRendering> rendering;
        if (!options.png.empty()) rendering.emplace();
        if (options.isSweep()) {
            sweep(options, files);
        } else if (options.comparesScenarios()) {
            compareScenarios(options, files);
        } else if (options.isEnsemble()) {
            ensemble(options, files);
        } else {
            singleRun(options, files);
        }
        files.commit();
        return cli::exitSuccess;
    } catch (const io::UsageError& error) {
        printError(error);
        return cli::exitUsageError;
    } catch (const io::WriteError& error) {
        printError(error);
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
