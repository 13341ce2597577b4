// pandemie-cli: the epidemic model from the command line, for batch use.

#include <QGuiApplication>

#include <array>
#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <variant>

#include "band_stats.h"
#include "io/csv.h"
#include "io/exports.h"
#include "io/file_writing.h"
#include "options.h"
#include "progress.h"
#include "run_image.h"
#include "surface.h"

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

// The files of the call, each under its option's name; "-" is standard output.
[[nodiscard]] io::OutputBatch filesOf(const cli::CliOptions& options) {
    io::OutputBatch files;
    if (options.writesCsv()) files.add("--output", options.output);
    if (!options.png.empty()) files.add("--png", options.png);
    if (!options.bands.empty()) files.add("--bands", options.bands);
    if (!options.summary.empty()) files.add("--summary", options.summary);
    return files;
}

void setPng(io::OutputBatch& files, const QImage& image) {
    const QByteArray png = chart::encodePng(image);
    if (png.isEmpty()) throw io::WriteError("--png: PNG encoding failed");
    files.setContents("--png", std::string(png.constData(), static_cast<std::size_t>(png.size())));
}

void singleRun(const cli::CliOptions& options, io::OutputBatch& files) {
    Random random(options.seed);
    const Trajectory trajectory = runTrajectory(options.parameters, random);
    if (!options.png.empty()) {
        const ImageRendering rendering;
        setPng(files, chart::firstRunImage(trajectory));
    }
    if (options.writesCsv()) files.setContents("--output", io::trajectoryCsv(trajectory));
}

void ensemble(const cli::CliOptions& options, io::OutputBatch& files) {
    const EnsembleOptions ensemble{options.seed, options.runs, options.threads};
    // The per-run table is kept only when it is written.
    std::vector<RunSummary> summaries;
    std::optional<EnsembleStatistics> statistics;
    cli::runWithProgress(options.runs, options.progress, [&](std::atomic<std::int64_t>* done) {
        statistics =
            collectStatistics(options.parameters, ensemble, options.writesCsv() ? &summaries : nullptr, done);
    });
    if (options.progress == cli::Progress::shown) std::cerr << io::summaryText(*statistics);
    if (!options.bands.empty()) files.setContents("--bands", io::bandsCsv(*statistics));
    if (!options.summary.empty()) files.setContents("--summary", io::summaryCsv(*statistics));
    if (!options.png.empty()) {
        const ImageRendering rendering;
        setPng(files, chart::bandImage(statistics->courses(), statistics->runs(), options.parameters));
    }
    if (options.writesCsv()) files.setContents("--output", io::ensembleCsv(summaries));
}

void printError(const std::exception& error) {
    std::cerr << cli::programName << ": " << error.what() << '\n';
}

[[nodiscard]] int run(const cli::CliOptions& options) {
    try {
        io::OutputBatch files = filesOf(options);
        // A bad path fails now, not after a long ensemble.
        files.checkWritable();
        if (options.isEnsemble()) {
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
