#pragma once
// The modes of pandemie on a checked request: one run, an ensemble, a
// comparison of scenarios, a sweep and a fit (with its scenarios). Each
// gives a result from which every front end takes the same tables, report
// and images.

#include <QImage>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/request.h"
#include "app/watch.h"
#include "model/fit.h"
#include "model/scenario.h"
#include "output/table.h"

namespace pandemie::app {

// What the work counts, for the front end's progress display.
enum class WorkKind : std::uint8_t { runs, simulations };

// What a front end lends the modes: the processes that share the work (one,
// unless a cluster job) and the watching of long work.
class Context {
public:
    Context() = default;
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    Context(Context&&) = delete;
    Context& operator=(Context&&) = delete;
    virtual ~Context() = default;

    [[nodiscard]] virtual bool isRoot() const { return true; }
    [[nodiscard]] virtual int processes() const { return 1; }
    // This process's block of runs 0..runs-1: first, count.
    [[nodiscard]] virtual std::pair<std::int64_t, std::int64_t> shareOf(std::int64_t runs) const {
        return {0, runs};
    }
    // A fit's work over the processes, each with `threads` threads.
    [[nodiscard]] virtual Spread spread(int threads) const { return threadSpread(threads); }
    // On the root, the sum of every process's statistics.
    virtual void sumToRoot(ScenarioResults& /*results*/) const {}
    // On the root, the summaries of every process in order.
    [[nodiscard]] virtual std::vector<RunSummary> gatherToRoot(std::vector<RunSummary> summaries) const {
        return summaries;
    }
    // Runs work(done) and shows done of total meanwhile. Work of a fit may
    // call the processes' collective steps, which belong to the calling thread.
    virtual void watch(std::int64_t total, WorkKind kind, const Work& work) const = 0;
};

// The tables a result can give, by the names the front ends use.
enum class TableKind : std::uint8_t { run, runs, bands, summary, differences, sweep, posterior, forecast };
[[nodiscard]] std::string_view tableName(TableKind table) noexcept;

// The images a result can give.
// A fit's chart draws its data's rows where they have dates or new cases;
// its curves are the three model series in percent either way.
enum class Image : std::uint8_t { chart, posterior, curves };

struct RunValue {
    Trajectory trajectory;
};
struct EnsembleValue {
    ScenarioResults results{1, Detail::bandsAndDifferences};
    std::vector<RunSummary> runs;  // kept where asked
};
struct ComparisonValue {
    std::vector<Scenario> scenarios;
    ScenarioResults results;
};
struct SweepValue {
    std::vector<Scenario> grid;
    ScenarioResults results;
};
struct FitValue {
    FitSettings settings;
    FitResult fit;
    double seconds = 0;
    std::optional<ComparisonValue> scenarios;  // its scenarios' forecasts, where asked
};

// A request's result. On a process other than the root of a cluster job it
// holds nothing to write.
struct Result {
    Request request;
    std::variant<RunValue, EnsembleValue, ComparisonValue, SweepValue, FitValue> value;

    // The tables it has, its first the one a front end gives by default.
    [[nodiscard]] std::vector<TableKind> tables() const;
    [[nodiscard]] bool has(TableKind table) const;
    // The table with its typed columns.
    [[nodiscard]] output::Table table(TableKind table) const;
    // The table as the tool writes it: CSV.
    [[nodiscard]] std::string csv(TableKind table) const;
    // What the tool prints on standard error.
    [[nodiscard]] std::string report() const;
    // Needs a running Qt application (chart/offscreen.h).
    [[nodiscard]] QImage image(Image image) const;
    [[nodiscard]] const ComparisonValue* comparison() const;
};

// What to keep beyond a mode's least: the per-run table of an ensemble or
// fit, and a comparison's bands (for its bands table and chart), which
// take far more room than its summaries.
struct Keep {
    bool perRunTable = true;
    bool bands = true;
};

// Runs the request's mode.
[[nodiscard]] Result execute(Request request, const Context& context, Keep keep = {});

// The forecast of scenarios from a fit's matching runs (checked as the fit's scenarios).
[[nodiscard]] ComparisonValue forecastOf(const FitValue& fitted, std::vector<Scenario> scenarios,
                                         const Context& context);

}  // namespace pandemie::app
