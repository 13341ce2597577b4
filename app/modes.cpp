#include "app/modes.h"

#include <chrono>
#include <stdexcept>

#include "chart/fit_image.h"
#include "chart/run_image.h"
#include "chart/scenario_image.h"
#include "chart/sweep_image.h"
#include "input/quoted.h"
#include "input/usage_error.h"
#include "output/csv.h"
#include "output/exports.h"
#include "output/file_writing.h"
#include "output/fit_exports.h"
#include "output/scenario_exports.h"

namespace pandemie::app {

std::string_view tableName(Table table) noexcept {
    switch (table) {
        case Table::run:
            return "run";
        case Table::runs:
            return "runs";
        case Table::bands:
            return "bands";
        case Table::summary:
            return "summary";
        case Table::differences:
            return "differences";
        case Table::sweep:
            return "sweep";
        case Table::posterior:
            return "posterior";
    }
    return "";
}

namespace {

// Every scenario `runs` times with the work spread over the processes: each
// runs its block of the seeds, and the root gets the sum.
[[nodiscard]] ScenarioResults runShared(const std::vector<Scenario>& scenarios, const Request& request,
                                        const Context& context, Detail detail,
                                        std::vector<RunSummary>* perRun = nullptr) {
    const auto [first, count] = context.shareOf(request.runs);
    const EnsembleOptions mine{request.seed + static_cast<std::uint64_t>(first), count, request.threads};
    std::optional<ScenarioResults> results;
    const auto total = static_cast<std::int64_t>(scenarios.size()) * request.runs;
    context.watch(total, WorkKind::runs, [&](std::atomic<std::int64_t>* done) {
        results = runScenarios(scenarios, mine, detail, perRun, done);
    });
    context.sumToRoot(*results);
    if (perRun != nullptr) *perRun = context.gatherToRoot(std::move(*perRun));
    return std::move(*results);
}

[[nodiscard]] FitSettings fitSettingsOf(const Request& request) {
    FitSettings settings = defaultFitSettings();
    settings.prior = request.prior;
    settings.changes = request.changes;
    settings.seed = request.seed;
    settings.forecastRuns = request.runs;
    settings.threads = request.threads;
    return settings;
}

// Every process takes its share of the fit's simulations and gets all their
// distances, so each has the same result.
[[nodiscard]] FitValue fitted(const Request& request, const Context& context) {
    FitValue value{fitSettingsOf(request), {}, 0, std::nullopt};
    const auto start = std::chrono::steady_clock::now();
    std::optional<FitResult> result;
    // The fit's length is not known beforehand: the count runs against this
    // process's share of a typical fit.
    const std::int64_t total = typicalFitSimulations(value.settings, context.processes());
    const Spread spread = context.spread(request.threads);
    context.watch(total, WorkKind::simulations, [&](std::atomic<std::int64_t>* done) {
        result = fit(request.observed, value.settings, spread, done);
    });
    value.fit = std::move(*result);
    value.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return value;
}

template <typename... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

[[noreturn]] void noSuchTable(Table table, const std::vector<Table>& tables) {
    std::string expected;
    for (std::size_t i = 0; i < tables.size(); ++i)
        expected.append(i == 0 ? "" : i + 1 == tables.size() ? " or " : ", ").append(tableName(tables[i]));
    throw input::UsageError("table: unknown table " + input::quotedValue(tableName(table)) + "; expected " +
                            expected);
}

[[nodiscard]] std::string comparisonCsv(const ComparisonValue& c, Table table) {
    switch (table) {
        case Table::summary:
            return output::scenarioSummaryCsv(c.scenarios, c.results);
        case Table::bands:
            return output::scenarioBandsCsv(c.scenarios, c.results);
        case Table::differences:
            return output::differencesCsv(c.scenarios, c.results);
        default:
            return {};
    }
}

}  // namespace

std::vector<Table> Result::tables() const {
    return std::visit(
        Overloaded{
            [](const RunValue&) { return std::vector{Table::run}; },
            [](const EnsembleValue& e) {
                return e.runs.empty() ? std::vector{Table::bands, Table::summary}
                                      : std::vector{Table::bands, Table::summary, Table::runs};
            },
            [](const ComparisonValue&) {
                return std::vector{Table::summary, Table::bands, Table::differences};
            },
            [](const SweepValue&) { return std::vector{Table::sweep}; },
            [](const FitValue& f) {
                if (f.scenarios)
                    return std::vector{Table::summary, Table::bands, Table::differences, Table::posterior};
                return std::vector{Table::summary, Table::posterior, Table::bands, Table::runs};
            },
        },
        value);
}

bool Result::has(Table table) const {
    const std::vector<Table> all = tables();
    return std::ranges::find(all, table) != all.end();
}

const ComparisonValue* Result::comparison() const {
    if (const auto* c = std::get_if<ComparisonValue>(&value)) return c;
    if (const auto* f = std::get_if<FitValue>(&value); f != nullptr && f->scenarios) return &*f->scenarios;
    return nullptr;
}

std::string Result::csv(Table table) const {
    if (!has(table)) noSuchTable(table, tables());
    if (table == Table::posterior) return output::posteriorCsv(std::get<FitValue>(value).fit);
    if (const ComparisonValue* c = comparison()) return comparisonCsv(*c, table);
    return std::visit(
        Overloaded{
            [](const RunValue& r) { return output::trajectoryCsv(r.trajectory); },
            [table](const EnsembleValue& e) {
                if (table == Table::bands) return output::bandsCsv(e.results.bands.front());
                if (table == Table::summary) return output::summaryCsv(e.results.summaries.front());
                return output::ensembleCsv(e.runs);
            },
            [](const ComparisonValue&) { return std::string(); },
            [this](const SweepValue& s) { return output::sweepCsv(request.sweeps, s.grid, s.results); },
            [table](const FitValue& f) {
                if (table == Table::summary) return output::fitSummaryCsv(f.fit);
                if (table == Table::bands) return output::bandsCsv(f.fit.bands);
                return output::ensembleCsv(f.fit.matchingSummaries());
            },
        },
        value);
}

std::string Result::report() const {
    return std::visit(
        Overloaded{
            [](const RunValue&) { return std::string(); },
            [](const EnsembleValue& e) { return output::summaryText(e.results.summaries.front()); },
            [](const ComparisonValue& c) { return output::scenarioSummaryText(c.scenarios, c.results); },
            [](const SweepValue&) { return std::string(); },
            [this](const FitValue& f) {
                std::string text = output::fitReportText(f.fit, f.settings, request.observed, f.seconds) +
                                   "forecast:\n" + output::summaryText(f.fit.outcomes);
                if (f.scenarios)
                    text += output::scenarioSummaryText(f.scenarios->scenarios, f.scenarios->results);
                return text;
            },
        },
        value);
}

QImage Result::image(Image image) const {
    if (image == Image::posterior)
        return chart::jointPosteriorImage(std::get<FitValue>(value).fit.joint(
            Parameter::encounters, Parameter::infection, std::get<FitValue>(value).settings));
    if (const ComparisonValue* c = comparison()) return chart::scenarioImage(c->scenarios, c->results);
    return std::visit(
        Overloaded{
            [this](const RunValue& r) { return chart::firstRunImage(r.trajectory, request.changes); },
            [this](const EnsembleValue& e) {
                const BandStatistics& bands = e.results.bands.front();
                return chart::bandImage(bands.courses(), bands.runs(), request.parameters, request.changes);
            },
            [](const ComparisonValue&) { return QImage(); },
            [this](const SweepValue& s) {
                return chart::sweepImage(request.sweeps, request.measure, s.results.summaries);
            },
            [this](const FitValue& f) {
                return chart::forecastImage(f.fit, request.observed, request.changes);
            },
        },
        value);
}

ComparisonValue forecastOf(const FitValue& fitted, std::vector<Scenario> scenarios, const Context& context) {
    const auto total = static_cast<std::int64_t>(scenarios.size()) * std::ssize(fitted.fit.matching);
    std::optional<ScenarioResults> results;
    context.watch(total, WorkKind::runs, [&](std::atomic<std::int64_t>* /*done*/) {
        results = forecastScenarios(fitted.fit, scenarios, fitted.settings.changes, fitted.settings.threads);
    });
    return {std::move(scenarios), std::move(*results)};
}

Result execute(Request request, const Context& context, Keep keep) {
    Result result{std::move(request), RunValue{}};
    const Request& r = result.request;
    switch (r.mode()) {
        case Mode::run:
            if (context.isRoot()) result.value = RunValue{seededRun(r.parameters, r.changes, r.seed)};
            break;
        case Mode::ensemble: {
            EnsembleValue e;
            const std::vector<Scenario> scenario{{"", r.parameters, r.changes}};
            e.results = runShared(scenario, r, context, Detail::bandsAndDifferences,
                                  keep.perRunTable ? &e.runs : nullptr);
            result.value = std::move(e);
            break;
        }
        case Mode::scenarios:
            result.value =
                ComparisonValue{r.scenarios, runShared(r.scenarios, r, context, Detail::bandsAndDifferences)};
            break;
        case Mode::sweep: {
            std::vector<Scenario> grid = sweepGrid({"", r.parameters, r.changes}, r.sweeps);
            ScenarioResults results = runShared(grid, r, context, Detail::summaries);
            result.value = SweepValue{std::move(grid), std::move(results)};
            break;
        }
        case Mode::fit: {
            FitValue f = fitted(r, context);
            if (r.comparesScenarios() && context.isRoot()) f.scenarios = forecastOf(f, r.scenarios, context);
            result.value = std::move(f);
            break;
        }
    }
    return result;
}

}  // namespace pandemie::app
