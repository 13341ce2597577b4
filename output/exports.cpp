#include "output/exports.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>

namespace pandemie::output {

std::string fixed(double value, int decimals) {
    char digits[64];
    auto* const end =
        std::to_chars(std::begin(digits), std::end(digits), value, std::chars_format::fixed, decimals).ptr;
    return {digits, end};
}

void appendFigures(std::string& csv, const CountHistogram& values) {
    csv.append(",").append(fixed(values.mean(), 3));
    for (const int percent : {10, 50, 90}) csv.append(",").append(std::to_string(values.percentile(percent)));
}

namespace {

// A count of the 1000 counted persons in percent: exact with one decimal.
[[nodiscard]] std::string percentOfPersons(int count) {
    return fixed(count / 10.0, 1);
}

// "peak infected:  " for peak_infected: the name in words, the labels of
// all outcomes padded to one width.
[[nodiscard]] std::string readerLabel(std::string_view name) {
    std::size_t width = 0;
    for (const OutcomeInfo& info : outcomeTable) width = std::max(width, info.name.size() + 1);
    std::string label(name);
    std::ranges::replace(label, '_', ' ');
    label += ':';
    label.resize(width, ' ');
    return label;
}

}  // namespace

std::string bandsCsv(const BandStatistics& statistics) {
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

std::string summaryCsv(const OutcomeStatistics& statistics) {
    std::string csv = "measure,mean,p10,p50,p90\n";
    for (const OutcomeInfo& info : outcomeTable) {
        csv.append(info.name);
        appendFigures(csv, statistics.histogram(info.outcome));
        csv += '\n';
    }
    csv.append("runs_without_infected_on_day_180,")
        .append(fixed(statistics.shareWithoutInfected(), 6))
        .append(",,,\n");
    return csv;
}

std::string summaryText(const OutcomeStatistics& statistics) {
    std::string text = std::to_string(statistics.runs()) + (statistics.runs() == 1 ? " run\n" : " runs\n");
    for (const OutcomeInfo& info : outcomeTable) {
        const CountHistogram& values = statistics.histogram(info.outcome);
        text.append(readerLabel(info.name)).append(" mean ").append(fixed(values.mean(), 3));
        for (const int percent : {10, 50, 90})
            text.append("  p")
                .append(std::to_string(percent))
                .append(" ")
                .append(std::to_string(values.percentile(percent)));
        text += '\n';
    }
    text.append("no counted person infected on day 180 in ")
        .append(fixed(100.0 * statistics.shareWithoutInfected(), 2))
        .append(" % of the runs\n");
    return text;
}

}  // namespace pandemie::output
