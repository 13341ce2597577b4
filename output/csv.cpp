#include "output/csv.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "model/parameters.h"

namespace pandemie::output {

namespace {

// Fields are whole numbers only, so no quoting is ever needed.
class CsvBuilder {
public:
    explicit CsvBuilder(std::string header) : text_(std::move(header)) { text_ += '\n'; }

    void reserveRows(std::size_t rows, std::size_t bytesPerRow) {
        text_.reserve(text_.size() + rows * bytesPerRow);
    }

    // Counts are 0..1000 and days 1..180, never negative.
    void add(int count) { add(static_cast<std::uint64_t>(count)); }
    void add(std::uint64_t value) {
        if (!text_.ends_with('\n')) text_ += ',';
        char digits[20];
        auto* const end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
        text_.append(digits, end);
    }
    void endRow() { text_ += '\n'; }

    [[nodiscard]] std::string take() && { return std::move(text_); }

private:
    std::string text_;
};

// Each series' name behind a comma, with the prefix.
[[nodiscard]] std::string seriesColumns(std::string_view prefix) {
    std::string columns;
    for (const SeriesField& field : seriesFields) columns.append(",").append(prefix).append(field.name);
    return columns;
}

void addCounts(CsvBuilder& csv, const DailyCounts& counts) {
    for (const SeriesField& field : seriesFields) csv.add(counts.*field.count);
}

constexpr std::array<Outcome, 2> peakOutcomes{Outcome::peakInfected, Outcome::peakDay};

}  // namespace

std::string trajectoryCsv(const Trajectory& trajectory) {
    CsvBuilder csv("day" + seriesColumns(""));
    csv.reserveRows(trajectory.size(), 20);
    int day = 1;
    for (const DailyCounts& counts : trajectory) {
        csv.add(day++);
        addCounts(csv, counts);
        csv.endRow();
    }
    return std::move(csv).take();
}

std::string ensembleCsv(const std::vector<RunSummary>& summaries) {
    std::string header = "run,seed";
    for (const Outcome outcome : peakOutcomes) header.append(",").append(infoOf(outcome).name);
    CsvBuilder csv(header + seriesColumns("final_"));
    csv.reserveRows(summaries.size(), 56);
    std::uint64_t run = 0;
    for (const RunSummary& summary : summaries) {
        csv.add(run++);
        csv.add(summary.seed);
        for (const Outcome outcome : peakOutcomes) csv.add(outcomeValue(summary, outcome));
        addCounts(csv, summary.final);
        csv.endRow();
    }
    return std::move(csv).take();
}

}  // namespace pandemie::output
