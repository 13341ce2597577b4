// The extension _core of the Python module pandemie: the tool's runs,
// ensembles, comparisons, sweeps and fits on the same C++ code, with the
// tool's checks and messages. The package's Python code turns keyword
// arguments into the options' text; the request and its result are the
// application layer's, whose tables reach Python as output::Table
// (numpy_table.h), with their arrays and CSV text.

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

#include "app/modes.h"
#include "chart/offscreen.h"
#include "chart/png_text.h"
#include "input/quoted.h"
#include "input/scenario_file.h"
#include "input/usage_error.h"
#include "output/command_line.h"
#include "output/file_writing.h"
#include "python/interruptible.h"
#include "python/numpy_table.h"

namespace py = pybind11;

namespace pandemie::python {

namespace {

// The options of a call, by their keyword names, each value as text, as
// the tool would read it; lists for those that repeat.
using Options = py::dict;

// Runs parse with its messages after the keyword, as the tool's are after
// the option; those that name the tool's option already name it without
// its dashes.
template <typename Parse>
auto named(const std::string& keyword, const Parse& parse) {
    try {
        return parse();
    } catch (const input::UsageError& error) {
        const std::string message = error.what();
        throw input::UsageError(message.starts_with("--") ? message.substr(2) : keyword + ": " + message);
    }
}

// The module's keywords are the request's, but for the changes.
[[nodiscard]] std::string keywordOf(std::string_view option) {
    return option == "change" ? "changes" : std::string(option);
}

[[nodiscard]] app::Wording moduleWording() {
    return {keywordOf, "=", "its keyword", "pandemie.fit", true};
}

// A scenario given as a name, its parameters' values and its changes, each
// as the scenario file and --change write them.
using ScenarioText = std::tuple<std::string, std::map<std::string, std::string>, std::vector<std::string>>;

[[nodiscard]] std::vector<app::ScenarioText> scenarioTexts(const std::vector<ScenarioText>& given) {
    std::vector<app::ScenarioText> texts;
    texts.reserve(given.size());
    for (const auto& [name, values, changes] : given) texts.push_back({name, values, changes});
    return texts;
}

// The request of the options given by keyword, each value as text, as the
// tool would read it, lists for those that repeat; scenarios given by value
// and observed counts given as CSV text.
[[nodiscard]] app::Request requestOf(const Options& options,
                                     const std::vector<ScenarioText>* scenarios = nullptr,
                                     const std::optional<std::string>& observedText = std::nullopt) {
    app::RequestDraft draft(moduleWording());
    for (const auto& [key, value] : options) {
        const auto keyword = py::cast<std::string>(key);
        const std::string option = keyword == "changes" ? "change" : keyword;
        const auto values = py::isinstance<py::list>(value) ? py::cast<std::vector<std::string>>(value)
                                                            : std::vector{py::cast<std::string>(value)};
        for (const std::string& text : values) named(keyword, [&] { draft.set(option, text); });
    }
    if (scenarios != nullptr && !scenarios->empty()) draft.setScenarios(scenarioTexts(*scenarios));
    if (observedText) draft.setObservedText(*observedText, "<data>");
    return std::move(draft).finish();
}

// The module's long work: on a thread of its own, with Ctrl-C and progress.
class ModuleContext final : public app::Context {
public:
    explicit ModuleContext(py::object progress) : progress_(std::move(progress)) {}
    void watch(std::int64_t total, app::WorkKind /*kind*/, const app::Work& work) const override {
        runInterruptibly(total, progress_, work);
    }

private:
    py::object progress_;
};

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
    if (png.isEmpty()) throw output::WriteError("PNG encoding failed");
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
    throw input::UsageError("table: unknown table " + input::quotedValue(table));
}

// The results of the calls, each a class of its own in Python.
struct RunResult {
    app::Result result;
};
struct EnsembleResult {
    app::Result result;
};
struct ComparisonResult {
    app::Result result;
};
struct SweepResult {
    app::Result result;
};
struct FitRun {
    app::Result result;
};

// The result's table of that name.
[[nodiscard]] app::TableKind tableNamed(const app::Result& result, const std::string& name) {
    for (const app::TableKind table : result.tables())
        if (app::tableName(table) == name) return table;
    unknownTable(name);
}

[[nodiscard]] app::Result executed(app::Request request, const py::object& progress) {
    const ModuleContext context(progress);
    return app::execute(std::move(request), context);
}

[[nodiscard]] RunResult run(const Options& options) {
    app::Request request = requestOf(options);
    const ModuleContext context{py::none()};
    const py::gil_scoped_release release;
    return {app::execute(std::move(request), context)};
}

[[nodiscard]] EnsembleResult ensemble(const Options& options, const py::object& progress) {
    return {executed(requestOf(options), progress)};
}

[[nodiscard]] ComparisonResult compare(const Options& options, const std::vector<ScenarioText>& given,
                                       const py::object& progress) {
    if (!options.contains("scenarios") && given.empty())
        throw input::UsageError("scenarios: no scenario given");
    return {executed(requestOf(options, &given), progress)};
}

[[nodiscard]] SweepResult sweep(const Options& options, const py::object& progress) {
    if (!options.contains("sweep")) throw input::UsageError("sweep: one or two parameters are swept");
    return {executed(requestOf(options), progress)};
}

[[nodiscard]] FitRun fitObserved(const Options& options, const std::optional<std::string>& csvText,
                                 const py::object& progress) {
    return {executed(requestOf(options, nullptr, csvText), progress)};
}

// The forecast of each scenario from the fit's matching runs.
[[nodiscard]] ComparisonResult forecastOf(const FitRun& fitted, const Options& options,
                                          const std::vector<ScenarioText>& given,
                                          const py::object& progress) {
    const app::Request& request = fitted.result.request;
    const app::Wording wording = moduleWording();
    const input::DayReading days{request.scope.days, request.observed.dateOfDayOne};
    std::vector<Scenario> scenarios =
        options.contains("scenarios")
            ? named("scenarios",
                    [&] {
                        return input::loadScenarios(py::cast<std::string>(options["scenarios"]),
                                                    request.parameters, days);
                    })
            : app::scenariosOf(scenarioTexts(given), request.parameters, wording, days);
    if (scenarios.empty()) throw input::UsageError("scenarios: no scenario given");
    app::checkScenariosOfFit(scenarios, request.parameters, request.observed.lastDay(), wording);
    const ModuleContext context(progress);
    app::Request forecast = request;
    forecast.scenarios = scenarios;
    return {{std::move(forecast),
             app::forecastOf(std::get<app::FitValue>(fitted.result.value), std::move(scenarios), context)}};
}

// What every result class has: its tables, typed and as the tool's CSV,
// its report and its chart.
template <typename Holder>
py::class_<Holder> resultClass(py::module_& module, const char* name, const char* doc) {
    return py::class_<Holder>(module, name, doc)
        .def(
            "table",
            [](const Holder& h, const std::string& table) {
                return h.result.table(tableNamed(h.result, table));
            },
            py::arg("name"))
        .def(
            "csv",
            [](const Holder& h, const std::string& table) {
                return h.result.csv(tableNamed(h.result, table));
            },
            py::arg("name"))
        .def("text", [](const Holder& h) { return h.result.report(); })
        .def("png", [](const Holder& h, const std::string& command) {
            return image(command, [&] { return h.result.image(app::Image::chart); });
        });
}

void defineResults(py::module_& module) {
    defineTable(module);
    resultClass<RunResult>(module, "RunResult", "One run of days 1..D.");
    resultClass<EnsembleResult>(module, "EnsembleResult", "The runs of one ensemble.");
    resultClass<ComparisonResult>(module, "ComparisonResult", "Scenarios run on the same seeds.")
        .def("names", [](const ComparisonResult& c) {
            std::vector<std::string> names;
            for (const Scenario& scenario : c.result.comparison()->scenarios) names.push_back(scenario.name);
            return names;
        });
    resultClass<SweepResult>(module, "SweepResult", "The points of a sweep.");
    resultClass<FitRun>(module, "FitResult", "A fit and its forecast.")
        .def("misfit",
             [](const FitRun& f) { return std::get<app::FitValue>(f.result.value).fit.misfit.fails(); })
        .def("posterior_png",
             [](const FitRun& f, const std::string& command) {
                 return image(command, [&] { return f.result.image(app::Image::posterior); });
             })
        .def("curves_png",
             [](const FitRun& f, const std::string& command) {
                 return image(command, [&] { return f.result.image(app::Image::curves); });
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
        return pandemie::output::commandLineText(static_cast<int>(argv.size()), argv.data());
    });
    // pybind11 takes a plain function of a std::exception_ptr by value.
    py::register_exception_translator(
        [](std::exception_ptr failure) {  // NOLINT(performance-unnecessary-value-param)
            try {
                if (failure) std::rethrow_exception(failure);
            } catch (const pandemie::input::UsageError& error) {
                PyErr_SetString(PyExc_ValueError, error.what());
            } catch (const pandemie::output::WriteError& error) {
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
