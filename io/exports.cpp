#include "io/exports.h"

#include <array>
#include <charconv>
#include <iterator>
#include <string_view>

namespace pandemie::io {

std::string fixed(double value, int decimals) {
    char digits[64];
    auto* const end =
        std::to_chars(std::begin(digits), std::end(digits), value, std::chars_format::fixed, decimals).ptr;
    return {digits, end};
}

double shareOf(std::int64_t part, std::int64_t whole) {
    return whole == 0 ? 0.0 : static_cast<double>(part) / static_cast<double>(whole);
}

namespace {

// A count of the 1000 counted persons in percent: exact with one decimal.
[[nodiscard]] std::string percentOfPersons(int count) {
    return fixed(count / 10.0, 1);
}

struct Measure {
    const char* name;
    const char* label;
    const CountHistogram& (EnsembleStatistics::*histogram)() const noexcept;
};

constexpr std::array<Measure, 3> measures{{
    {"peak_infected", "peak infected:  ", &EnsembleStatistics::peakInfected},
    {"peak_day", "peak day:       ", &EnsembleStatistics::peakDay},
    {"final_recovered", "final recovered:", &EnsembleStatistics::finalRecovered},
}};

[[nodiscard]] double shareWithoutInfected(const EnsembleStatistics& statistics) {
    return shareOf(statistics.runsWithoutInfected(), statistics.runs());
}

}  // namespace

std::string bandsCsv(const EnsembleStatistics& statistics) {
    std::string csv = "day,series,mean,p10,p50,p90\n";
    csv.reserve(runDays * seriesFields.size() * 40);
    for (int day = 1; day <= runDays; ++day) {
        for (const SeriesField& field : seriesFields) {
            const CountHistogram& counts = statistics.day(day, field.series);
            csv.append(std::to_string(day)).append(",").append(field.name).append(",");
            csv.append(fixed(counts.mean() / 10.0, 3));
            for (const int percent : {10, 50, 90})
                csv.append(",").append(percentOfPersons(counts.percentile(percent)));
            csv += '\n';
        }
    }
    return csv;
}

std::string summaryCsv(const EnsembleStatistics& statistics) {
    std::string csv = "measure,mean,p10,p50,p90\n";
    for (const Measure& measure : measures) {
        const CountHistogram& values = (statistics.*measure.histogram)();
        csv.append(measure.name).append(",").append(fixed(values.mean(), 3));
        for (const int percent : {10, 50, 90})
            csv.append(",").append(std::to_string(values.percentile(percent)));
        csv += '\n';
    }
    csv.append("runs_without_infected_on_day_180,")
        .append(fixed(shareWithoutInfected(statistics), 6))
        .append(",,,\n");
    return csv;
}

std::string summaryText(const EnsembleStatistics& statistics) {
    std::string text = std::to_string(statistics.runs()) + (statistics.runs() == 1 ? " run\n" : " runs\n");
    for (const Measure& measure : measures) {
        const CountHistogram& values = (statistics.*measure.histogram)();
        text.append(measure.label).append(" mean ").append(fixed(values.mean(), 3));
        for (const int percent : {10, 50, 90})
            text.append("  p")
                .append(std::to_string(percent))
                .append(" ")
                .append(std::to_string(values.percentile(percent)));
        text += '\n';
    }
    text.append("no counted person infected on day 180 in ")
        .append(fixed(100.0 * shareWithoutInfected(statistics), 2))
        .append(" % of the runs\n");
    return text;
}

}  // namespace pandemie::io
