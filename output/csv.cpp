#include "output/csv.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "model/parameters.h"

namespace pandemie::output {

namespace {

// A column per series, its name behind the prefix, and room for the rows.
void addSeriesColumns(Table& table, std::string_view prefix, std::size_t rows) {
    for (const SeriesField& field : seriesFields)
        table.columns.push_back(integerColumn(std::string(prefix).append(field.name)));
    for (Column& column : table.columns) column.reserve(rows);
}

// The counts into the table's last columns, one per series.
void addCounts(Table& table, const DailyCounts& counts) {
    auto column = table.columns.end() - static_cast<std::ptrdiff_t>(seriesFields.size());
    for (const SeriesField& field : seriesFields) (column++)->add(counts.*field.count);
}

constexpr std::array<Outcome, 2> peakOutcomes{Outcome::peakInfected, Outcome::peakDay};

}  // namespace

Table trajectoryTable(const Trajectory& trajectory) {
    Table table{{integerColumn("day")}};
    addSeriesColumns(table, "", trajectory.size());
    int day = 1;
    for (const DailyCounts& counts : trajectory) {
        table.columns.front().add(day++);
        addCounts(table, counts);
    }
    return table;
}

Table ensembleTable(std::span<const RunSummary> summaries, std::int64_t firstRun) {
    Table table{{integerColumn("run"), unsignedColumn("seed")}};
    for (const Outcome outcome : peakOutcomes)
        table.columns.push_back(integerColumn(std::string(infoOf(outcome).name)));
    addSeriesColumns(table, "final_", summaries.size());
    std::int64_t run = firstRun;
    for (const RunSummary& summary : summaries) {
        table.columns[0].add(run++);
        table.columns[1].add(summary.seed);
        for (std::size_t p = 0; p < peakOutcomes.size(); ++p)
            table.columns[2 + p].add(outcomeValue(summary, peakOutcomes[p]));
        addCounts(table, summary.final);
    }
    return table;
}

std::string ensembleCsv(std::span<const RunSummary> summaries) {
    constexpr std::size_t part = std::size_t{1} << 16U;
    std::string csv = csvOf(ensembleTable(summaries.first(std::min(part, summaries.size()))));
    csv.reserve(summaries.size() * 48);
    for (std::size_t first = part; first < summaries.size(); first += part)
        appendCsvRows(csv, ensembleTable(summaries.subspan(first, std::min(part, summaries.size() - first)),
                                         static_cast<std::int64_t>(first)));
    return csv;
}

}  // namespace pandemie::output
