#include "output/scenario_exports.h"

#include "output/exports.h"

namespace pandemie::output {

namespace {

// Names may hold commas or quotes; such a field is quoted, quotes doubled.
[[nodiscard]] std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

// The table's rows, each behind the scenario's field; the header once.
void appendWithScenario(std::string& csv, const std::string& table, const std::string& field,
                        bool withHeader) {
    std::size_t start = table.find('\n') + 1;
    if (withHeader) csv.append("scenario,").append(table, 0, start);
    while (start < table.size()) {
        const std::size_t end = table.find('\n', start) + 1;
        csv.append(field).append(",").append(table, start, end - start);
        start = end;
    }
}

}  // namespace

std::string scenarioSummaryCsv(const std::vector<Scenario>& scenarios, const ScenarioResults& results) {
    std::string csv;
    for (std::size_t s = 0; s < scenarios.size(); ++s)
        appendWithScenario(csv, summaryCsv(results.summaries.at(s)), csvField(scenarios[s].name), s == 0);
    return csv;
}

std::string scenarioBandsCsv(const std::vector<Scenario>& scenarios, const ScenarioResults& results) {
    std::string csv;
    for (std::size_t s = 0; s < scenarios.size(); ++s)
        appendWithScenario(csv, bandsCsv(results.bands.at(s)), csvField(scenarios[s].name), s == 0);
    return csv;
}

std::string differencesCsv(const std::vector<Scenario>& scenarios, const ScenarioResults& results) {
    std::string csv = "scenario,against,measure,mean,p10,p50,p90\n";
    for (std::size_t s = 1; s < scenarios.size(); ++s) {
        for (const OutcomeInfo& info : outcomeTable) {
            csv.append(csvField(scenarios[s].name)).append(",").append(csvField(scenarios[0].name));
            csv.append(",").append(info.name);
            appendFigures(csv, results.differences.at(s - 1).histogram(info.outcome));
            csv += '\n';
        }
    }
    return csv;
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

std::string sweepCsv(const std::vector<SweepAxis>& axes, const std::vector<Scenario>& grid,
                     const ScenarioResults& results) {
    std::string csv;
    for (const SweepAxis& axis : axes) csv.append(infoOf(axis.parameter).name).append(",");
    csv.append("runs");
    for (const OutcomeInfo& info : outcomeTable)
        for (const char* figure : {"_mean", "_p10", "_p50", "_p90"})
            csv.append(",").append(info.name).append(figure);
    csv.append(",share_without_infected_on_day_180\n");
    for (std::size_t point = 0; point < grid.size(); ++point) {
        for (const SweepAxis& axis : axes)
            csv.append(std::to_string(parameterValue(grid[point].parameters, axis.parameter))).append(",");
        const OutcomeStatistics& statistics = results.summaries.at(point);
        csv.append(std::to_string(statistics.runs()));
        for (const OutcomeInfo& info : outcomeTable) appendFigures(csv, statistics.histogram(info.outcome));
        csv.append(",").append(fixed(statistics.shareWithoutInfected(), 6)).append("\n");
    }
    return csv;
}

}  // namespace pandemie::output
