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
#include "options.h"
#include "output.h"
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

void writeOutput(const cli::CliOptions& options, const std::string& csv) {
    if (options.toStandardOutput()) {
        cli::writeStandardOutput(csv);
    } else {
        cli::writeFileAtomically(options.output, csv);
    }
}

void writePng(const std::string& path, const QImage& image) {
    const QByteArray png = chart::encodePng(image);
    if (png.isEmpty()) throw cli::WriteError("cannot write " + path + ": PNG encoding failed");
    cli::writeFileAtomically(path, std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
}

void singleRun(const cli::CliOptions& options) {
    Random random(options.seed);
    const Trajectory trajectory = runTrajectory(options.parameters, random);
    if (!options.png.empty()) {
        const ImageRendering rendering;
        writePng(options.png, chart::firstRunImage(trajectory));
    }
    if (options.writesCsv()) writeOutput(options, cli::trajectoryCsv(trajectory));
}

void ensemble(const cli::CliOptions& options) {
    const EnsembleOptions ensemble{options.seed, options.runs, options.threads};
    // The per-run table is kept only when it is written.
    std::vector<RunSummary> summaries;
    std::optional<EnsembleStatistics> statistics;
    cli::runWithProgress(options.runs, options.progress, [&](std::atomic<std::int64_t>* done) {
        statistics =
            collectStatistics(options.parameters, ensemble, options.writesCsv() ? &summaries : nullptr, done);
    });
    if (options.progress == cli::Progress::shown) std::cerr << cli::summaryText(*statistics);
    if (!options.bands.empty()) cli::writeFileAtomically(options.bands, cli::bandsCsv(*statistics));
    if (!options.summary.empty()) cli::writeFileAtomically(options.summary, cli::summaryCsv(*statistics));
    if (!options.png.empty()) {
        const ImageRendering rendering;
        writePng(options.png,
                 chart::bandImage(statistics->courses(), statistics->runs(), options.parameters));
    }
    if (options.writesCsv()) writeOutput(options, cli::ensembleCsv(summaries));
}

[[nodiscard]] int run(const cli::CliOptions& options) {
    try {
        // A bad path fails now, not after a long ensemble.
        if (options.writesCsv() && !options.toStandardOutput()) cli::checkWritable(options.output);
        for (const std::string* file : {&options.png, &options.bands, &options.summary})
            if (!file->empty()) cli::checkWritable(*file);
        if (options.isEnsemble()) {
            ensemble(options);
        } else {
            singleRun(options);
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
