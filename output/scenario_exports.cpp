#include "output/scenario_exports.h"

#include "output/exports.h"

namespace pandemie::output {

namespace {

// Each scenario's table below the one before, behind a first column
// scenario holding its name.
template <typename TableOf>
[[nodiscard]] Table withScenarios(const std::vector<Scenario>& scenarios, const TableOf& tableOf) {
    Table all;
    for (std::size_t s = 0; s < scenarios.size(); ++s) {
        Table one = tableOf(s);
        Column names = textColumn("scenario");
        for (std::size_t row = 0; row < one.rows(); ++row) names.add(scenarios[s].name);
        one.columns.insert(one.columns.begin(), std::move(names));
        if (s == 0)
            all = std::move(one);
        else
            appendRows(all, one);
    }
    return all;
}

// mean with three decimals, then p10, p50 and p90, their names behind the prefix.
void addFigureColumns(Table& table, const std::string& prefix) {
    table.columns.push_back(realColumn(prefix + "mean", 3));
    for (const char* percentile : {"p10", "p50", "p90"})
        table.columns.push_back(integerColumn(prefix + percentile));
}

}  // namespace

Table scenarioSummaryTable(const std::vector<Scenario>& scenarios, const ScenarioResults& results) {
    return withScenarios(scenarios, [&](std::size_t s) { return summaryTable(results.summaries.at(s)); });
}

Table scenarioBandsTable(const std::vector<Scenario>& scenarios, const ScenarioResults& results) {
    return withScenarios(scenarios, [&](std::size_t s) { return bandsTable(results.bands.at(s)); });
}

Table differencesTable(const std::vector<Scenario>& scenarios, const ScenarioResults& results) {
    Table table{{textColumn("scenario"), textColumn("against"), textColumn("measure")}};
    addFigureColumns(table, "");
    for (std::size_t s = 1; s < scenarios.size(); ++s) {
        for (const OutcomeInfo& info : outcomeTable) {
            table.columns[0].add(scenarios[s].name);
            table.columns[1].add(scenarios[0].name);
            table.columns[2].add(info.name);
            addFigures(std::span(table.columns).subspan(3),
                       results.differences.at(s - 1).histogram(info.outcome));
        }
    }
    return table;
}

std::string scenarioSummaryText(const std::vector<Scenario>& scenarios, const ScenarioResults& results) {
    std::string text;
    for (std::size_t s = 0; s < scenarios.size(); ++s)
        text.append("scenario ")
            .append(scenarios[s].name)
            .append(": ")
            .append(summaryText(results.summaries.at(s)));
    return text;
}

Table sweepTable(const std::vector<SweepAxis>& axes, const std::vector<Scenario>& grid,
                 const ScenarioResults& results) {
    Table table;
    for (const SweepAxis& axis : axes)
        table.columns.push_back(integerColumn(std::string(infoOf(axis.parameter).name)));
    table.columns.push_back(integerColumn("runs"));
    for (const OutcomeInfo& info : outcomeTable) addFigureColumns(table, std::string(info.name) + "_");
    const int lastDay = results.summaries.empty() ? runDays : results.summaries.front().scope().days;
    table.columns.push_back(realColumn("share_without_infected_on_day_" + std::to_string(lastDay), 6));
    for (std::size_t point = 0; point < grid.size(); ++point) {
        auto column = table.columns.begin();
        for (const SweepAxis& axis : axes)
            (column++)->add(parameterValue(grid[point].parameters, axis.parameter));
        const OutcomeStatistics& statistics = results.summaries.at(point);
        (column++)->add(statistics.runs());
        for (const OutcomeInfo& info : outcomeTable) {
            addFigures(std::span(column, column + 4), statistics.histogram(info.outcome));
            column += 4;
        }
        column->add(statistics.shareWithoutInfected());
    }
    return table;
}

}  // namespace pandemie::output
