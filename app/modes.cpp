#include "app/modes.h"

#include <chrono>
#include <stdexcept>

#include "chart/counts_image.h"
#include "chart/fit_image.h"
#include "chart/run_image.h"
#include "chart/scenario_image.h"
#include "chart/sweep_image.h"
#include "input/quoted.h"
#include "input/usage_error.h"
#include "model/counted.h"
#include "model/overloaded.h"
#include "output/csv.h"
#include "output/exports.h"
#include "output/file_writing.h"
#include "output/fit_exports.h"
#include "output/scenario_exports.h"

namespace pandemie::app {

std::string_view tableName(TableKind table) noexcept {
    switch (table) {
        case TableKind::run:
            return "run";
        case TableKind::runs:
            return "runs";
        case TableKind::bands:
            return "bands";
        case TableKind::summary:
            return "summary";
        case TableKind::differences:
            return "differences";
        case TableKind::sweep:
            return "sweep";
        case TableKind::posterior:
            return "posterior";
        case TableKind::forecast:
            return "forecast";
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
    const EnsembleOptions mine{request.seed + static_cast<std::uint64_t>(first), count, request.threads,
                               request.scope};
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
    settings.scope = request.scope;
    settings.reportDelay = request.reportDelay;
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

// A note where a comparison or sweep has too few runs per scenario or point
// for its percentiles to mean much: with fewer than 10, p10 is the smallest.
[[nodiscard]] std::string fewRunsNote(std::int64_t runs, std::string_view each) {
    if (runs >= fewPointRuns) return {};
    return "note: " + counted(runs, "run", "runs") + " per " + std::string(each) +
           (runs == 1 ? " gives" : " give") + " rough percentiles; " + std::to_string(defaultPointRuns) +
           " runs or more give steadier bands\n";
}

[[noreturn]] void noSuchTable(TableKind table, const std::vector<TableKind>& tables) {
    std::string expected;
    for (std::size_t i = 0; i < tables.size(); ++i)
        expected.append(i == 0 ? "" : i + 1 == tables.size() ? " or " : ", ").append(tableName(tables[i]));
    throw input::UsageError("table: unknown table " + input::quotedValue(tableName(table)) + "; expected " +
                            expected);
}

[[nodiscard]] output::Table comparisonTable(const ComparisonValue& c, TableKind table) {
    switch (table) {
        case TableKind::summary:
            return output::scenarioSummaryTable(c.scenarios, c.results);
        case TableKind::bands:
            return output::scenarioBandsTable(c.scenarios, c.results);
        default:
            return output::differencesTable(c.scenarios, c.results);
    }
}

}  // namespace

std::vector<TableKind> Result::tables() const {
    return std::visit(
        Overloaded{
            [](const RunValue&) { return std::vector{TableKind::run}; },
            [](const EnsembleValue& e) {
                return e.runs.empty() ? std::vector{TableKind::bands, TableKind::summary}
                                      : std::vector{TableKind::bands, TableKind::summary, TableKind::runs};
            },
            [](const ComparisonValue& c) {
                if (c.results.bands.empty()) return std::vector{TableKind::summary, TableKind::differences};
                return std::vector{TableKind::summary, TableKind::bands, TableKind::differences};
            },
            [](const SweepValue&) { return std::vector{TableKind::sweep}; },
            [](const FitValue& f) {
                if (f.scenarios)
                    return std::vector{TableKind::summary, TableKind::bands, TableKind::differences,
                                       TableKind::posterior, TableKind::forecast};
                return std::vector{TableKind::summary, TableKind::posterior, TableKind::bands,
                                   TableKind::runs, TableKind::forecast};
            },
        },
        value);
}

bool Result::has(TableKind table) const {
    const std::vector<TableKind> all = tables();
    return std::ranges::find(all, table) != all.end();
}

const ComparisonValue* Result::comparison() const {
    if (const auto* c = std::get_if<ComparisonValue>(&value)) return c;
    if (const auto* f = std::get_if<FitValue>(&value); f != nullptr && f->scenarios) return &*f->scenarios;
    return nullptr;
}

output::Table Result::table(TableKind table) const {
    if (!has(table)) noSuchTable(table, tables());
    if (table == TableKind::posterior) return output::posteriorTable(std::get<FitValue>(value).fit);
    if (table == TableKind::forecast)
        return output::forecastTable(std::get<FitValue>(value).fit, request.observed);
    if (const ComparisonValue* c = comparison()) return comparisonTable(*c, table);
    return std::visit(
        Overloaded{
            [](const RunValue& r) { return output::trajectoryTable(r.trajectory); },
            [table](const EnsembleValue& e) {
                if (table == TableKind::bands) return output::bandsTable(e.results.bands.front());
                if (table == TableKind::summary) return output::summaryTable(e.results.summaries.front());
                return output::ensembleTable(e.runs);
            },
            [](const ComparisonValue&) { return output::Table{}; },
            [this](const SweepValue& s) { return output::sweepTable(request.sweeps, s.grid, s.results); },
            [table](const FitValue& f) {
                if (table == TableKind::summary) return output::fitSummaryTable(f.fit);
                if (table == TableKind::bands) return output::bandsTable(f.fit.bands);
                return output::ensembleTable(f.fit.matchingSummaries());
            },
        },
        value);
}

std::string Result::csv(TableKind table) const {
    if (!has(table)) noSuchTable(table, tables());
    // The per-run table, up to a million rows, is written in parts.
    if (table == TableKind::runs && comparison() == nullptr) {
        if (const auto* e = std::get_if<EnsembleValue>(&value)) return output::ensembleCsv(e->runs);
        if (const auto* f = std::get_if<FitValue>(&value))
            return output::ensembleCsv(f->fit.matchingSummaries());
    }
    return output::csvOf(this->table(table));
}

std::string Result::report() const {
    return std::visit(
        Overloaded{
            [](const RunValue&) { return std::string(); },
            [](const EnsembleValue& e) { return output::summaryText(e.results.summaries.front()); },
            [this](const ComparisonValue& c) {
                return output::scenarioSummaryText(c.scenarios, c.results) +
                       fewRunsNote(request.runs, "scenario");
            },
            [this](const SweepValue&) { return fewRunsNote(request.runs, "point"); },
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
    if (image == Image::curves) {
        const auto& f = std::get<FitValue>(value);
        return chart::forecastImage(f.fit, request.observed, request.changes, request.scope.persons);
    }
    if (image == Image::posterior)
        return chart::jointPosteriorImage(std::get<FitValue>(value).fit.joint(
            Parameter::encounters, Parameter::infection, std::get<FitValue>(value).settings));
    if (const ComparisonValue* c = comparison()) {
        // A fit's scenarios are drawn with the counts they continue.
        std::optional<chart::ObservedFigure> observed;
        if (request.fits()) observed = chart::ObservedFigure{request.observed, request.scope.persons};
        return chart::scenarioImage(c->scenarios, c->results, observed);
    }
    return std::visit(
        Overloaded{
            [this](const RunValue& r) {
                return chart::firstRunImage(r.trajectory, request.changes, request.scope.persons);
            },
            [this](const EnsembleValue& e) {
                const BandStatistics& bands = e.results.bands.front();
                return chart::bandImage(bands.courses(), bands.runs(), request.parameters, request.changes);
            },
            [](const ComparisonValue&) { return QImage(); },
            [this](const SweepValue& s) {
                const std::int64_t runs =
                    s.results.summaries.empty() ? 0 : s.results.summaries.front().runs();
                return chart::sweepImage(request.sweeps, request.measure, s.results.summaries, request.scope,
                                         {runs, request.parameters, request.changes});
            },
            [this](const FitValue& f) {
                // Counts by date, and new cases, are drawn in the data's rows and units.
                if (request.observed.counts(pandemie::ObservedSeries::newCases) ||
                    request.observed.dateOfDayOne)
                    return chart::countsForecastImage(f.fit, request.observed);
                return chart::forecastImage(f.fit, request.observed, request.changes, request.scope.persons);
            },
        },
        value);
}

ComparisonValue forecastOf(const FitValue& fitted, std::vector<Scenario> scenarios, const Context& context) {
    const auto total = static_cast<std::int64_t>(scenarios.size()) * std::ssize(fitted.fit.matching);
    std::optional<ScenarioResults> results;
    context.watch(total, WorkKind::runs, [&](std::atomic<std::int64_t>* done) {
        results =
            forecastScenarios(fitted.fit, scenarios, fitted.settings.changes, fitted.settings.threads, done);
    });
    return {std::move(scenarios), std::move(*results)};
}

Result execute(Request request, const Context& context, Keep keep) {
    Result result{std::move(request), RunValue{}};
    const Request& r = result.request;
    switch (r.mode()) {
        case Mode::run:
            if (context.isRoot())
                result.value =
                    RunValue{r.press == 1 ? seededRun(r.parameters, r.changes, r.seed, r.scope)
                                          : pressedRun(r.parameters, r.changes, r.seed, r.press, r.scope)};
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
