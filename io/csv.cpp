#include "io/csv.h"

#include <charconv>
#include <cstdint>
#include <initializer_list>

namespace pandemie::io {

namespace {

// Fields are whole numbers only, so no quoting is ever needed.
class CsvBuilder {
public:
    explicit CsvBuilder(const char* header) : text_(header) { text_ += '\n'; }

    void reserveRows(std::size_t rows, std::size_t bytesPerRow) {
        text_.reserve(text_.size() + rows * bytesPerRow);
    }

    void row(std::initializer_list<std::uint64_t> fields) {
        bool first = true;
        for (const std::uint64_t value : fields) {
            if (!first) text_ += ',';
            first = false;
            append(value);
        }
        text_ += '\n';
    }

    [[nodiscard]] std::string take() && { return std::move(text_); }

private:
    void append(std::uint64_t value) {
        char digits[20];
        auto* const end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
        text_.append(digits, end);
    }

    std::string text_;
};

// Counts are 0..1000 and days 1..180, never negative.
[[nodiscard]] std::uint64_t field(int count) {
    return static_cast<std::uint64_t>(count);
}

}  // namespace

std::string trajectoryCsv(const Trajectory& trajectory) {
    CsvBuilder csv("day,not_infected,infected,recovered");
    csv.reserveRows(trajectory.size(), 20);
    int day = 1;
    for (const DailyCounts& counts : trajectory) {
        csv.row({field(day++), field(counts.countSusceptible), field(counts.countInfected),
                 field(counts.countRecovered)});
    }
    return std::move(csv).take();
}

std::string ensembleCsv(const std::vector<RunSummary>& summaries) {
    CsvBuilder csv("run,seed,peak_infected,peak_day,final_not_infected,final_infected,final_recovered");
    csv.reserveRows(summaries.size(), 56);
    std::uint64_t run = 0;
    for (const RunSummary& summary : summaries) {
        csv.row({run++, summary.seed, field(summary.peakInfected), field(summary.peakDay),
                 field(summary.final.countSusceptible), field(summary.final.countInfected),
                 field(summary.final.countRecovered)});
    }
    return std::move(csv).take();
}

}  // namespace pandemie::io
