// The extension _core of the Python module pandemie: the tool's runs,
// ensembles, comparisons, sweeps and fits on the same C++ code, with the
// tool's checks and messages. The package's Python code turns keyword
// arguments into the options' text; the tables reach it as io::Table
// (numpy_table.h), which gives their arrays and CSV text.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <QFont>
#include <QGuiApplication>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "chart/fit_image.h"
#include "chart/offscreen.h"
#include "chart/png_text.h"
#include "chart/run_image.h"
#include "chart/scenario_image.h"
#include "chart/sweep_image.h"
#include "io/command_line.h"
#include "io/csv.h"
#include "io/exports.h"
#include "io/file_writing.h"
#include "io/fit_exports.h"
#include "io/observed.h"
#include "io/quoted.h"
#include "io/scenario_exports.h"
#include "io/scenario_options.h"
#include "io/whole_number.h"
#include "model/fit.h"
#include "model/scenario.h"
#include "python/interruptible.h"
#include "python/numpy_table.h"

namespace py = pybind11;

namespace pandemie::python {

namespace {

// The options of a call, by their keyword names, each value as text, as
// the tool would read it; lists for those that repeat.
using Options = py::dict;

[[nodiscard]] bool has(const Options& options, const char* key) {
    return options.contains(key);
}

[[nodiscard]] std::string text(const Options& options, const char* key) {
    return py::cast<std::string>(options[key]);
}

[[nodiscard]] std::vector<std::string> texts(const Options& options, const char* key) {
    return has(options, key) ? py::cast<std::vector<std::string>>(options[key]) : std::vector<std::string>{};
}

// Runs parse with its messages after the keyword, as the tool's are after
// the option; those that name the tool's option already name it without
// its dashes.
template <typename Parse>
auto named(const std::string& keyword, const Parse& parse) {
    try {
        return parse();
    } catch (const io::UsageError& error) {
        const std::string message = error.what();
        throw io::UsageError(message.starts_with("--") ? message.substr(2) : keyword + ": " + message);
    }
}

[[nodiscard]] std::uint64_t wholeNumber(const Options& options, const char* key, io::WholeRange range,
                                        std::uint64_t otherwise) {
    if (!has(options, key)) return otherwise;
    return named(key, [&] { return io::wholeNumberIn(text(options, key), range); });
}

// What every call takes: the parameters, seed, runs, threads and changes.
struct Call {
    Parameters parameters;
    std::array<bool, parameterTable.size()> given{};
    std::uint64_t seed = windowSeed;
    std::int64_t runs = 1;
    int threads = 1;
    Schedule changes;

    [[nodiscard]] EnsembleOptions ensembleOptions() const { return {seed, runs, threads}; }
};

[[nodiscard]] Call callOf(const Options& options, std::int64_t defaultRuns) {
    Call call;
    for (const ParameterInfo& info : parameterTable) {
        const std::string key(info.name);
        if (!has(options, key.c_str())) continue;
        call.given[static_cast<std::size_t>(info.parameter)] = true;
        const auto value = wholeNumber(options, key.c_str(), io::wholeRange(info.parameter), 0);
        setParameterValue(call.parameters, info.parameter, static_cast<int>(value));
    }
    call.seed = wholeNumber(options, "seed", io::seedRange, windowSeed);
    call.runs = static_cast<std::int64_t>(
        wholeNumber(options, "runs", io::runsRange, static_cast<std::uint64_t>(defaultRuns)));
    call.threads = static_cast<int>(
        wholeNumber(options, "threads", io::threadsRange, static_cast<std::uint64_t>(io::hardwareThreads())));
    for (const std::string& change : texts(options, "changes"))
        named("changes", [&] { io::addChanges(call.changes, change); });
    call.changes = sortedByDay(std::move(call.changes));
    return call;
}

// A scenario given as a name, its parameters' values and its changes, each
// as the scenario file and --change write them.
using ScenarioText = std::tuple<std::string, std::map<std::string, std::string>, std::vector<std::string>>;

[[nodiscard]] Scenario scenarioOf(const ScenarioText& given, const Parameters& defaults) {
    const auto& [name, values, changes] = given;
    const std::string keyword = "scenario " + io::quotedValue(name);
    Scenario scenario{name, defaults, {}};
    for (const auto& entry : values) {
        const auto parameter = parameterNamed(entry.first);
        if (!parameter)
            throw io::UsageError(keyword + ": unknown parameter " + io::quotedValue(entry.first) +
                                 "; expected " + io::parameterList());
        const std::string where = std::string(keyword).append(": ").append(entry.first);
        const auto number =
            named(where, [&] { return io::wholeNumberIn(entry.second, io::wholeRange(*parameter)); });
        setParameterValue(scenario.parameters, *parameter, static_cast<int>(number));
    }
    for (const std::string& change : changes)
        named(keyword + ": changes", [&] { io::addChanges(scenario.changes, change); });
    scenario.changes = sortedByDay(std::move(scenario.changes));
    return scenario;
}

// The scenarios of the file options["scenarios"], or those given.
[[nodiscard]] std::vector<Scenario> scenariosOf(const Options& options,
                                                const std::vector<ScenarioText>& given,
                                                const Parameters& defaults) {
    if (has(options, "scenarios")) return io::loadScenarios(text(options, "scenarios"), defaults);
    std::vector<Scenario> scenarios;
    scenarios.reserve(given.size());
    for (const ScenarioText& scenario : given) scenarios.push_back(scenarioOf(scenario, defaults));
    return scenarios;
}

// Qt's notes about its environment (such as a missing runtime directory)
// are no concern of the module's user.
void keepSeriousQtMessages(QtMsgType type, const QMessageLogContext& /*context*/, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) PySys_WriteStderr("%s\n", message.toUtf8().constData());
}

// Qt's fonts for the images, started by the first image of the process
// unless the process has started Qt itself.
void startImages() {
    if (QGuiApplication::instance() != nullptr) return;
    qInstallMessageHandler(keepSeriousQtMessages);
    static int argc = 1;
    static std::array<char*, 2> argv{const_cast<char*>("pandemie"), nullptr};
    static const std::unique_ptr<QGuiApplication> application = chart::startOffscreen(argc, argv.data());
}

[[nodiscard]] py::bytes pngOf(const QImage& image, const std::string& command) {
    const QByteArray png = chart::pngWithCommand(image, command);
    if (png.isEmpty()) throw io::WriteError("PNG encoding failed");
    return {png.constData(), static_cast<std::size_t>(png.size())};
}

// Each image is drawn as the tool draws its one image: Qt's fonts keep
// state from text drawn before that changes the edges of later glyphs, so
// their cache is emptied first.
template <typename Draw>
[[nodiscard]] py::bytes image(const std::string& command, const Draw& draw) {
    startImages();
    QFont::cleanup();
    return pngOf(draw(), command);
}

[[noreturn]] void unknownTable(const std::string& table) {
    throw io::UsageError("table: unknown table " + io::quotedValue(table));
}

struct RunResult {
    Trajectory trajectory;
    Schedule changes;

    [[nodiscard]] io::Table table(const std::string& name) const {
        if (name == "run") return io::trajectoryTable(trajectory);
        unknownTable(name);
    }
};

struct EnsembleResult {
    Parameters parameters;
    Schedule changes;
    ScenarioResults results{1, Detail::bandsAndDifferences};
    std::vector<RunSummary> runs;

    [[nodiscard]] io::Table table(const std::string& name) const {
        if (name == "bands") return io::bandsTable(results.bands.front());
        if (name == "summary") return io::summaryTable(results.summaries.front());
        if (name == "runs") return io::ensembleTable(runs);
        unknownTable(name);
    }
};

struct ComparisonResult {
    std::vector<Scenario> scenarios;
    ScenarioResults results;

    [[nodiscard]] io::Table table(const std::string& name) const {
        if (name == "bands") return io::scenarioBandsTable(scenarios, results);
        if (name == "summary") return io::scenarioSummaryTable(scenarios, results);
        if (name == "differences") return io::differencesTable(scenarios, results);
        unknownTable(name);
    }
};

struct SweepResult {
    std::vector<SweepAxis> axes;
    Outcome measure = Outcome::finalRecovered;
    std::vector<Scenario> grid;
    ScenarioResults results{0, Detail::summaries};

    [[nodiscard]] io::Table table(const std::string& name) const {
        if (name == "sweep") return io::sweepTable(axes, grid, results);
        unknownTable(name);
    }
};

struct FitRun {
    FitSettings settings = defaultFitSettings();
    Parameters parameters;  // the defaults of its scenarios
    Observations observed;
    FitResult result;
    double seconds = 0;

    [[nodiscard]] io::Table table(const std::string& name) const {
        if (name == "posterior") return io::posteriorTable(result);
        if (name == "summary") return io::fitSummaryTable(result);
        if (name == "bands") return io::bandsTable(result.bands);
        if (name == "runs") return io::ensembleTable(result.matchingSummaries());
        unknownTable(name);
    }
};

template <typename Work>
[[nodiscard]] auto interruptibly(std::int64_t total, const py::object& progress, const Work& work) {
    std::optional<decltype(work(nullptr))> result;
    runInterruptibly(total, progress, [&](std::atomic<std::int64_t>* done) { result.emplace(work(done)); });
    return std::move(*result);
}

[[nodiscard]] RunResult run(const Options& options) {
    const Call call = callOf(options, 1);
    const py::gil_scoped_release release;
    return {seededRun(call.parameters, call.changes, call.seed), call.changes};
}

[[nodiscard]] EnsembleResult ensemble(const Options& options, const py::object& progress) {
    const Call call = callOf(options, 1);
    EnsembleResult result;
    result.parameters = call.parameters;
    result.changes = call.changes;
    const std::vector<Scenario> scenario{{"", call.parameters, call.changes}};
    result.results = interruptibly(call.runs, progress, [&](std::atomic<std::int64_t>* done) {
        return runScenarios(scenario, call.ensembleOptions(), Detail::bandsAndDifferences, &result.runs,
                            done);
    });
    return result;
}

[[nodiscard]] ComparisonResult compare(const Options& options, const std::vector<ScenarioText>& given,
                                       const py::object& progress) {
    const Call call = callOf(options, 1);
    std::vector<Scenario> scenarios =
        named("scenarios", [&] { return scenariosOf(options, given, call.parameters); });
    if (scenarios.empty()) throw io::UsageError("scenarios: no scenario given");
    const auto total = static_cast<std::int64_t>(scenarios.size()) * call.runs;
    ScenarioResults results = interruptibly(total, progress, [&](std::atomic<std::int64_t>* done) {
        return runScenarios(scenarios, call.ensembleOptions(), Detail::bandsAndDifferences, nullptr, done);
    });
    return {std::move(scenarios), std::move(results)};
}

[[nodiscard]] std::vector<SweepAxis> sweepAxesOf(const Options& options, const Call& call) {
    std::vector<SweepAxis> axes;
    for (const std::string& axis : texts(options, "sweep"))
        axes.push_back(named("sweep", [&] { return io::parseSweep(axis); }));
    if (axes.empty() || axes.size() > 2) throw io::UsageError("sweep: one or two parameters are swept");
    if (axes.size() == 2 && axes[0].parameter == axes[1].parameter)
        throw io::UsageError("sweep: " + std::string(infoOf(axes[0].parameter).name) + " is swept twice");
    for (const SweepAxis& axis : axes)
        if (call.given[static_cast<std::size_t>(axis.parameter)])
            throw io::UsageError(std::string(infoOf(axis.parameter).name) +
                                 ": cannot be combined with a sweep of " +
                                 std::string(infoOf(axis.parameter).name));
    return axes;
}

[[nodiscard]] SweepResult sweep(const Options& options, const py::object& progress) {
    const Call call = callOf(options, 1);
    SweepResult result;
    result.axes = sweepAxesOf(options, call);
    if (has(options, "measure"))
        result.measure = named("measure", [&] { return io::parseMeasure(text(options, "measure")); });
    result.grid = sweepGrid({"", call.parameters, call.changes}, result.axes);
    const auto total = static_cast<std::int64_t>(result.grid.size()) * call.runs;
    result.results = interruptibly(total, progress, [&](std::atomic<std::int64_t>* done) {
        return runScenarios(result.grid, call.ensembleOptions(), Detail::summaries, nullptr, done);
    });
    return result;
}

// The observations of the file options["observed"], or of the CSV text given.
[[nodiscard]] Observations observationsOf(const Options& options, const std::optional<std::string>& csvText) {
    const auto population = static_cast<int>(
        wholeNumber(options, "population", io::populationRange, static_cast<std::uint64_t>(countedPersons)));
    Observations observed = named("observed", [&] {
        return csvText ? io::parseObservations(*csvText, "<data>", population)
                       : io::readObservations(text(options, "observed"), population);
    });
    if (has(options, "first_day")) {
        const auto firstDay = wholeNumber(options, "first_day", io::dayRange, 0);
        observed = io::startingOnDay(std::move(observed), static_cast<int>(firstDay), "first_day=");
    }
    return observed;
}

[[nodiscard]] FitRun fitObserved(const Options& options, const std::optional<std::string>& csvText,
                                 const py::object& progress) {
    const Call call = callOf(options, defaultFitSettings().forecastRuns);
    FitRun fitted;
    fitted.parameters = call.parameters;
    fitted.observed = observationsOf(options, csvText);
    std::vector<std::pair<Parameter, ParameterRange>> priors;
    for (const std::string& prior : texts(options, "prior"))
        priors.push_back(named("prior", [&] { return io::parsePrior(prior); }));
    fitted.settings.prior = io::fitPrior(call.parameters, call.given, priors, "prior: ", "its keyword");
    fitted.settings.changes = call.changes;
    fitted.settings.seed = call.seed;
    fitted.settings.forecastRuns = call.runs;
    fitted.settings.threads = call.threads;
    const std::int64_t total = typicalFitSimulations(fitted.settings, 1);
    const auto start = std::chrono::steady_clock::now();
    fitted.result = interruptibly(total, progress, [&](std::atomic<std::int64_t>* done) {
        return pandemie::fit(fitted.observed, fitted.settings, threadSpread(fitted.settings.threads), done);
    });
    fitted.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return fitted;
}

// The forecast of each scenario from the fit's matching runs.
[[nodiscard]] ComparisonResult forecastOf(const FitRun& fitted, const Options& options,
                                          const std::vector<ScenarioText>& given,
                                          const py::object& progress) {
    std::vector<Scenario> scenarios =
        named("scenarios", [&] { return scenariosOf(options, given, fitted.parameters); });
    if (scenarios.empty()) throw io::UsageError("scenarios: no scenario given");
    io::checkScenariosOfFit(scenarios, fitted.parameters, fitted.observed.lastDay(), "scenarios: scenario ",
                            "pandemie.fit");
    const auto total = static_cast<std::int64_t>(scenarios.size()) * std::ssize(fitted.result.matching);
    ScenarioResults results = interruptibly(total, progress, [&](std::atomic<std::int64_t>* done) {
        return forecastScenarios(fitted.result, scenarios, fitted.settings.changes, fitted.settings.threads,
                                 done);
    });
    return {std::move(scenarios), std::move(results)};
}

// A result's tables by name, as io::Table (numpy arrays, pickling) and as
// the tool's CSV text.
template <typename Result>
void defineTables(py::class_<Result>& result) {
    result.def("table", &Result::table, py::arg("name"))
        .def(
            "csv", [](const Result& r, const std::string& name) { return io::csvOf(r.table(name)); },
            py::arg("name"));
}

void defineResults(py::module_& module) {
    defineTable(module);
    py::class_<RunResult> runClass(module, "RunResult", "One run of days 1..180.");
    defineTables(runClass);
    runClass.def("png", [](const RunResult& r, const std::string& command) {
        return image(command, [&] { return chart::firstRunImage(r.trajectory, r.changes); });
    });
    py::class_<EnsembleResult> ensembleClass(module, "EnsembleResult", "The runs of one ensemble.");
    defineTables(ensembleClass);
    ensembleClass
        .def("text", [](const EnsembleResult& e) { return io::summaryText(e.results.summaries.front()); })
        .def("png", [](const EnsembleResult& e, const std::string& command) {
            return image(command, [&] {
                const BandStatistics& bands = e.results.bands.front();
                return chart::bandImage(bands.courses(), bands.runs(), e.parameters, e.changes);
            });
        });
    py::class_<ComparisonResult> comparisonClass(module, "ComparisonResult",
                                                 "Scenarios run on the same seeds.");
    defineTables(comparisonClass);
    comparisonClass
        .def("names",
             [](const ComparisonResult& c) {
                 std::vector<std::string> names;
                 for (const Scenario& scenario : c.scenarios) names.push_back(scenario.name);
                 return names;
             })
        .def("text",
             [](const ComparisonResult& c) { return io::scenarioSummaryText(c.scenarios, c.results); })
        .def("png", [](const ComparisonResult& c, const std::string& command) {
            return image(command, [&] { return chart::scenarioImage(c.scenarios, c.results); });
        });
    py::class_<SweepResult> sweepClass(module, "SweepResult", "The points of a sweep.");
    defineTables(sweepClass);
    sweepClass.def("png", [](const SweepResult& s, const std::string& command) {
        return image(command, [&] { return chart::sweepImage(s.axes, s.measure, s.results.summaries); });
    });
    py::class_<FitRun> fitClass(module, "FitResult", "A fit and its forecast.");
    defineTables(fitClass);
    fitClass
        .def("text",
             [](const FitRun& f) {
                 return io::fitReportText(f.result, f.settings, f.observed, f.seconds) + "forecast:\n" +
                        io::summaryText(f.result.outcomes);
             })
        .def("misfit", [](const FitRun& f) { return f.result.misfit.fails(); })
        .def("png",
             [](const FitRun& f, const std::string& command) {
                 return image(command,
                              [&] { return chart::forecastImage(f.result, f.observed, f.settings.changes); });
             })
        .def("posterior_png",
             [](const FitRun& f, const std::string& command) {
                 return image(command, [&] {
                     return chart::jointPosteriorImage(
                         f.result.joint(Parameter::encounters, Parameter::infection, f.settings));
                 });
             })
        .def("compare", &forecastOf);
}

// name, description, min, max, default of every parameter, in table order.
[[nodiscard]] py::list parameterList() {
    py::list parameters;
    for (const ParameterInfo& info : parameterTable)
        parameters.append(py::make_tuple(std::string(info.name), std::string(info.description), info.min,
                                         info.max, info.defaultValue));
    return parameters;
}

}  // namespace

}  // namespace pandemie::python

PYBIND11_MODULE(_core, module) {
    using namespace pandemie::python;
    module.doc() = "The C++ core of pandemie; use the package's functions instead.";
    module.attr("__version__") = PANDEMIE_VERSION;
    module.attr("window_seed") = pandemie::windowSeed;
    module.attr("run_days") = pandemie::runDays;
    module.def("parameters", &parameterList);
    module.def("command_line", [](const std::vector<std::string>& arguments) {
        std::vector<const char*> argv;
        argv.reserve(arguments.size());
        for (const std::string& argument : arguments) argv.push_back(argument.c_str());
        return pandemie::io::commandLineText(static_cast<int>(argv.size()), argv.data());
    });
    // pybind11 takes a plain function of a std::exception_ptr by value.
    py::register_exception_translator(
        [](std::exception_ptr failure) {  // NOLINT(performance-unnecessary-value-param)
            try {
                if (failure) std::rethrow_exception(failure);
            } catch (const pandemie::io::UsageError& error) {
                PyErr_SetString(PyExc_ValueError, error.what());
            } catch (const pandemie::io::WriteError& error) {
                PyErr_SetString(PyExc_OSError, error.what());
            }
        });
    defineResults(module);
    module.def("run", &run);
    module.def("ensemble", &ensemble);
    module.def("compare", &compare);
    module.def("sweep", &sweep);
    module.def("fit", &fitObserved);
}
