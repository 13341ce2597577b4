// pandemie-cli: the epidemic model from the command line, for batch use.

#include <QGuiApplication>

#include <array>
#include <chrono>
#include <csignal>
#include <functional>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <variant>

#include "app/modes.h"
#include "chart/offscreen.h"
#include "chart/png_text.h"
#include "cli/cluster.h"
#include "cli/discarded_output.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "input/usage_error.h"
#include "output/file_writing.h"

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

// The export files asked for, each under its option's name.
[[nodiscard]] std::array<std::pair<const char*, const std::string*>, 8> exportsOf(
    const cli::CliOptions& options) {
    return {{{"--png", &options.png},
             {"--bands", &options.bands},
             {"--summary", &options.summary},
             {"--differences", &options.differences},
             {"--posterior", &options.posterior},
             {"--posterior-png", &options.posteriorPng},
             {"--forecast", &options.forecast},
             {"--curves-png", &options.curvesPng}}};
}

// The files of the call, each under its option's name; "-" is standard output.
// The files it reads come first, so that no output can replace one of them.
[[nodiscard]] output::OutputBatch filesOf(const cli::CliOptions& options) {
    output::OutputBatch files;
    for (const auto& [option, path] : options.inputFiles) files.addInput(option, path);
    if (options.writesCsv()) files.add("--output", options.output);
    for (const auto& [option, path] : exportsOf(options))
        if (!path->empty()) files.add(option, *path);
    return files;
}

// The image as PNG file contents, with the command line that made it in a
// UTF-8 text chunk, so that a figure found later can be made again.
void setPng(output::OutputBatch& files, const QImage& image, const cli::CliOptions& options,
            std::string_view option) {
    const QByteArray png = chart::pngWithCommand(image, options.commandLine);
    if (png.isEmpty()) throw output::WriteError(std::string(option) + ": PNG encoding failed");
    files.setContents(option, std::string(png.constData(), static_cast<std::size_t>(png.size())));
}

// The table --output writes in each mode.
[[nodiscard]] app::TableKind outputTable(const app::Result& result) {
    if (result.comparison() != nullptr) return app::TableKind::summary;
    switch (result.request.mode()) {
        case app::Mode::run:
            return app::TableKind::run;
        case app::Mode::sweep:
            return app::TableKind::sweep;
        default:
            return app::TableKind::runs;
    }
}

// The work of every process, with the progress line on rank 0.
class ToolContext final : public app::Context {
public:
    ToolContext(const cli::Cluster& cluster, cli::Progress progress)
        : cluster_(cluster), progress_(progress) {}

    [[nodiscard]] bool isRoot() const override { return cluster_.isRoot(); }
    [[nodiscard]] int processes() const override { return cluster_.processes(); }
    [[nodiscard]] std::pair<std::int64_t, std::int64_t> shareOf(std::int64_t runs) const override {
        const cli::RunShare share = cluster_.shareOf(runs);
        return {share.first, share.count};
    }
    [[nodiscard]] Spread spread(int threads) const override { return cluster_.spread(threads); }
    void sumToRoot(ScenarioResults& results) const override { cluster_.sumToRoot(results); }
    [[nodiscard]] std::vector<RunSummary> gatherToRoot(std::vector<RunSummary> summaries) const override {
        return cluster_.gatherToRoot(std::move(summaries));
    }
    void watch(std::int64_t total, app::WorkKind kind, const app::Work& work) const override {
        if (kind == app::WorkKind::runs) {
            cluster_.runWithProgress(total, progress_, work);
        } else {
            // A fit calls MPI, which only the main thread may.
            cli::runHereWithProgress(total, cluster_.isRoot() ? progress_ : cli::Progress::quiet, work);
        }
    }

private:
    const cli::Cluster& cluster_;
    cli::Progress progress_;
};

void writeResult(const cli::CliOptions& options, const app::Result& result, output::OutputBatch& files) {
    if (options.progress != cli::Progress::quiet) std::cerr << result.report();
    const std::array<std::tuple<const char*, const std::string*, app::TableKind>, 5> tables{
        {{"--posterior", &options.posterior, app::TableKind::posterior},
         {"--forecast", &options.forecast, app::TableKind::forecast},
         {"--summary", &options.summary, app::TableKind::summary},
         {"--bands", &options.bands, app::TableKind::bands},
         {"--differences", &options.differences, app::TableKind::differences}}};
    for (const auto& [option, path, table] : tables)
        if (!path->empty()) files.setContents(option, result.csv(table));
    if (!options.png.empty()) setPng(files, result.image(app::Image::chart), options, "--png");
    if (!options.posteriorPng.empty())
        setPng(files, result.image(app::Image::posterior), options, "--posterior-png");
    if (!options.curvesPng.empty()) setPng(files, result.image(app::Image::curves), options, "--curves-png");
    if (options.writesCsv()) files.setContents("--output", result.csv(outputTable(result)));
}

void printError(const std::exception& error) {
    std::cerr << cli::programName << ": " << error.what() << '\n';
}

// Nothing is written then: the files are committed only after the work.
[[nodiscard]] int outOfMemory() {
    std::cerr << cli::programName << ": not enough memory for this request\n";
    return cli::exitWriteFailure;
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
    } catch (const std::bad_alloc&) {
        return outOfMemory();
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
        if ((!options.png.empty() || !options.posteriorPng.empty() || !options.curvesPng.empty()) &&
            cluster.isRoot())
            rendering.emplace();
        const ToolContext context(cluster, options.progress);
        // The per-run table and a comparison's bands are kept only where they are written.
        const app::Keep keep{options.writesCsv(), !options.bands.empty() || !options.png.empty()};
        const app::Result result = app::execute(options.request, context, keep);
        if (!cluster.isRoot()) return;
        writeResult(options, result, files);
        files.commit();
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
    try {
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
    } catch (const std::bad_alloc&) {
        return outOfMemory();
    }
}
