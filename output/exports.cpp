#include "output/exports.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "model/counted.h"

namespace pandemie::output {

namespace {

constexpr std::array<int, 3> percents{10, 50, 90};
constexpr std::array<const char*, 3> percentileNames{"p10", "p50", "p90"};

}  // namespace

std::string fixed(double value, int decimals) {
    std::array<char, 512> digits{};
    const char* const end = writeFixed(digits.data(), digits.data() + digits.size(), value, decimals);
    return {digits.data(), static_cast<std::size_t>(end - digits.data())};
}

void addFigures(std::span<Column> columns, const CountHistogram& values) {
    columns[0].add(values.mean());
    for (std::size_t p = 0; p < percents.size(); ++p) columns[1 + p].add(values.percentile(percents[p]));
}

namespace {

// "peak infected:  " for peak_infected: the name in words, the labels of
// all outcomes padded to one width.
[[nodiscard]] std::string readerLabel(std::string_view name) {
    std::size_t width = 0;
    for (const OutcomeInfo& info : outcomeTable) width = std::max(width, info.name.size() + 1);
    std::string label(name);
    std::replace(label.begin(), label.end(), '_', ' ');
    label += ':';
    label.resize(width, ' ');
    return label;
}

}  // namespace

Table bandsTable(const BandStatistics& statistics) {
    Table table{{integerColumn("day"), textColumn("series"), realColumn("mean", 3)}};
    for (const char* name : percentileNames) table.columns.push_back(realColumn(name, 1));
    const int days = statistics.days();
    for (Column& column : table.columns) column.reserve(static_cast<std::size_t>(days) * seriesFields.size());
    for (int day = 1; day <= days; ++day) {
        for (const SeriesField& field : seriesFields) {
            const CountHistogram& counts = statistics.day(day, field.series);
            table.columns[0].add(day);
            table.columns[1].add(field.name);
            table.columns[2].add(counts.mean() / 10.0);
            // Band units, per mille of the persons, in percent: exact with one decimal.
            for (std::size_t p = 0; p < percents.size(); ++p)
                table.columns[3 + p].add(counts.percentile(percents[p]) / 10.0);
        }
    }
    return table;
}

void addSummaryRows(std::span<Column> columns, const OutcomeStatistics& statistics) {
    for (const OutcomeInfo& info : outcomeTable) {
        columns[0].add(info.name);
        addFigures(columns.subspan(1), statistics.histogram(info.outcome));
    }
    columns[0].add("runs_without_infected_on_day_" + std::to_string(statistics.scope().days));
    columns[1].add(statistics.shareWithoutInfected(), 6);
    for (Column& percentile : columns.subspan(2)) percentile.addEmpty();
}

Table summaryTable(const OutcomeStatistics& statistics) {
    Table table{{textColumn("measure"), realColumn("mean", 3)}};
    for (const char* name : percentileNames) table.columns.push_back(integerColumn(name));
    addSummaryRows(table.columns, statistics);
    return table;
}

std::string summaryText(const OutcomeStatistics& statistics) {
    std::string text = counted(statistics.runs(), "run", "runs") + '\n';
    for (const OutcomeInfo& info : outcomeTable) {
        const CountHistogram& values = statistics.histogram(info.outcome);
        text.append(readerLabel(info.name)).append(" mean ").append(fixed(values.mean(), 3));
        for (const int percent : percents)
            text.append("  p")
                .append(std::to_string(percent))
                .append(" ")
                .append(std::to_string(values.percentile(percent)));
        text += '\n';
    }
    text.append("no counted person infected on day " + std::to_string(statistics.scope().days) + " in ")
        .append(fixed(100.0 * statistics.shareWithoutInfected(), 2))
        .append(" % of the runs\n");
    return text;
}

}  // namespace pandemie::output
