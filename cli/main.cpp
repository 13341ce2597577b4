// pandemie-cli: the epidemic model from the command line, for batch use.

#include <QGuiApplication>

#include <array>
#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <variant>

#include "band_stats.h"
#include "csv.h"
#include "exports.h"
#include "file_batch.h"
#include "options.h"
#include "output.h"
#include "progress.h"
#include "run_image.h"
#include "scenario.h"
#include "scenario_exports.h"
#include "scenario_image.h"
#include "surface.h"
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
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QGuiApplication>(argc_, argv_.data());
        chart::installFontSubstitutes();
    }

private:
    int argc_ = 1;
    std::array<char*, 2> argv_{const_cast<char*>(cli::programName), nullptr};
    std::unique_ptr<QGuiApplication> application_;
};

// The image as PNG file contents, with the command line that made it in a
// text chunk, so that a figure found later can be made again.
[[nodiscard]] std::string pngContents(QImage image, const cli::CliOptions& options) {
    image.setText(QStringLiteral("Command"), QString::fromStdString(options.commandLine));
    const QByteArray png = chart::encodePng(image);
    if (png.isEmpty()) throw cli::WriteError("cannot write " + options.png + ": PNG encoding failed");
    return {png.constData(), static_cast<std::size_t>(png.size())};
}

[[nodiscard]] EnsembleOptions ensembleOptions(const cli::CliOptions& options) {
    return {options.seed, options.runs, options.threads};
}

// Runs every scenario K times with the progress bar over all of them.
[[nodiscard]] ScenarioResults runWithProgress(const std::vector<Scenario>& scenarios,
                                              const cli::CliOptions& options, Detail detail,
                                              std::vector<RunSummary>* perRun = nullptr) {
    std::optional<ScenarioResults> results;
    const auto total = static_cast<std::int64_t>(scenarios.size()) * options.runs;
    cli::runWithProgress(total, [&](std::atomic<std::int64_t>* done) {
        results = runScenarios(scenarios, ensembleOptions(options), detail, perRun, done);
    });
    return std::move(*results);
}

void singleRun(const cli::CliOptions& options, cli::FileBatch& files) {
    const Trajectory trajectory = seededRun(options.parameters, options.changes, options.seed);
    if (!options.png.empty())
        files.add("--png", options.png,
                  pngContents(chart::firstRunImage(trajectory, options.changes), options));
    if (options.writesCsv()) files.add("--output", options.output, cli::trajectoryCsv(trajectory));
}

void ensemble(const cli::CliOptions& options, cli::FileBatch& files) {
    const std::vector<Scenario> scenario{{"", options.parameters, options.changes}};
    // The per-run table is kept only when it is written.
    std::vector<RunSummary> summaries;
    const ScenarioResults results = runWithProgress(scenario, options, Detail::bandsAndDifferences,
                                                    options.writesCsv() ? &summaries : nullptr);
    const EnsembleStatistics& statistics = results.ensembles.front();
    std::cerr << cli::summaryText(statistics);
    files.add("--bands", options.bands, cli::bandsCsv(statistics));
    files.add("--summary", options.summary, cli::summaryCsv(statistics));
    if (!options.png.empty())
        files.add("--png", options.png,
                  pngContents(chart::bandImage(statistics.courses(), options.changes), options));
    if (options.writesCsv()) files.add("--output", options.output, cli::ensembleCsv(summaries));
}

void compareScenarios(const cli::CliOptions& options, cli::FileBatch& files) {
    const std::vector<Scenario>& scenarios = options.scenarios;
    const ScenarioResults results = runWithProgress(scenarios, options, Detail::bandsAndDifferences);
    std::cerr << cli::scenarioSummaryText(scenarios, results);
    files.add("--bands", options.bands, cli::scenarioBandsCsv(scenarios, results));
    files.add("--summary", options.summary, cli::scenarioSummaryCsv(scenarios, results));
    files.add("--differences", options.differences, cli::differencesCsv(scenarios, results));
    if (!options.png.empty()) {
        std::vector<chart::ScenarioCourses> courses;
        for (std::size_t s = 0; s < scenarios.size(); ++s)
            courses.push_back({QString::fromStdString(scenarios[s].name), results.ensembles[s].courses(),
                               scenarios[s].changes});
        files.add("--png", options.png, pngContents(chart::scenarioImage(courses), options));
    }
    if (options.writesCsv())
        files.add("--output", options.output, cli::scenarioSummaryCsv(scenarios, results));
}

void sweep(const cli::CliOptions& options, cli::FileBatch& files) {
    const std::vector<Scenario> grid = sweepGrid({"", options.parameters, options.changes}, options.sweeps);
    const ScenarioResults results = runWithProgress(grid, options, Detail::summaries);
    if (!options.png.empty())
        files.add(
            "--png", options.png,
            pngContents(chart::sweepImage(options.sweeps, options.measure, results.summaries), options));
    if (options.writesCsv())
        files.add("--output", options.output, cli::sweepCsv(options.sweeps, grid, results));
}

[[nodiscard]] int run(const cli::CliOptions& options) {
    try {
        // A bad path fails now, not after a long ensemble.
        cli::FileBatch::checkWritable({options.writesCsv() ? options.output : std::string(), options.png,
                                       options.bands, options.summary, options.differences});
        std::optional<ImageRendering> rendering;
        if (!options.png.empty()) rendering.emplace();
        cli::FileBatch files;
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
