#include "model/band_stats.h"

#include <algorithm>
#include <mutex>

namespace pandemie {

double CountHistogram::mean() const noexcept {
    return total_ == 0 ? 0.0 : static_cast<double>(sum_) / static_cast<double>(total_);
}

void CountHistogram::merge(const CountHistogram& other) {
    for (std::size_t value = 0; value < counts_.size(); ++value) counts_[value] += other.counts_.at(value);
    sum_ += other.sum_;
    total_ += other.total_;
}

void CountHistogram::transferCounters(CounterTransfer& transfer) {
    for (std::uint32_t& count : counts_) transfer.pass(count);
    transfer.pass(sum_);
    transfer.pass(total_);
}

int CountHistogram::percentile(int percent) const noexcept {
    if (total_ == 0) return 0;
    // ceil(percent * total / 100), at least the first value.
    const std::int64_t rank = std::max<std::int64_t>(1, (percent * total_ + 99) / 100);
    std::int64_t seen = 0;
    for (std::size_t value = 0; value < counts_.size(); ++value) {
        seen += counts_[value];
        if (seen >= rank) return static_cast<int>(value);
    }
    return static_cast<int>(counts_.size()) - 1;
}

EnsembleStatistics::EnsembleStatistics()
    : days_(static_cast<std::size_t>(runDays) * seriesFields.size(), CountHistogram(countedPersons)) {}

const CountHistogram& EnsembleStatistics::day(int day, Series series) const {
    return days_.at(static_cast<std::size_t>(day - 1) * seriesFields.size() +
                    static_cast<std::size_t>(series));
}

void EnsembleStatistics::add(const Trajectory& trajectory, const RunSummary& summary) {
    auto histogram = days_.begin();
    for (const DailyCounts& counts : trajectory)
        for (const SeriesField& field : seriesFields) (histogram++)->add(counts.*field.count);
    peakInfected_.add(summary.peakInfected);
    peakDay_.add(summary.peakDay);
    finalRecovered_.add(summary.final.countRecovered);
    if (summary.final.countInfected == 0) ++runsWithoutInfected_;
}

void EnsembleStatistics::merge(const EnsembleStatistics& other) {
    for (std::size_t i = 0; i < days_.size(); ++i) days_[i].merge(other.days_[i]);
    peakInfected_.merge(other.peakInfected_);
    peakDay_.merge(other.peakDay_);
    finalRecovered_.merge(other.finalRecovered_);
    runsWithoutInfected_ += other.runsWithoutInfected_;
}

void EnsembleStatistics::transferCounters(CounterTransfer& transfer) {
    for (CountHistogram& histogram : days_) histogram.transferCounters(transfer);
    peakInfected_.transferCounters(transfer);
    peakDay_.transferCounters(transfer);
    finalRecovered_.transferCounters(transfer);
    transfer.pass(runsWithoutInfected_);
}

PercentileCourses EnsembleStatistics::courses() const {
    PercentileCourses courses;
    const std::array<std::pair<Trajectory*, int>, 3> levels{
        {{&courses.p10, 10}, {&courses.p50, 50}, {&courses.p90, 90}}};
    for (const auto& [course, percent] : levels) {
        for (int d = 1; d <= runDays; ++d) {
            DailyCounts& counts = (*course)[static_cast<std::size_t>(d - 1)];
            for (const SeriesField& field : seriesFields)
                counts.*field.count = day(d, field.series).percentile(percent);
        }
    }
    return courses;
}

EnsembleStatistics collectStatistics(const Parameters& parameters, const EnsembleOptions& options) {
    EnsembleStatistics statistics;
    std::mutex lock;  // adding a run is some 550 increments, short next to the run itself
    forEachRun(parameters, options, [&](std::int64_t run, const Trajectory& trajectory) {
        const RunSummary summary = summarize(options.baseSeed + static_cast<std::uint64_t>(run), trajectory);
        const std::scoped_lock guard(lock);
        statistics.add(trajectory, summary);
    });
    return statistics;
}

}  // namespace pandemie
