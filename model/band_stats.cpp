#include "model/band_stats.h"

#include <algorithm>
#include <stdexcept>

namespace pandemie {

double CountHistogram::mean() const noexcept {
    const double indexMean = total_ == 0 ? 0.0 : static_cast<double>(sum_) / static_cast<double>(total_);
    return indexMean + minValue_;
}

std::vector<std::uint32_t> CountHistogram::countsOf(const std::vector<std::uint32_t>& values,
                                                    std::int64_t places) {
    std::vector<std::uint32_t> byValue(static_cast<std::size_t>(places), 0);
    for (const std::uint32_t index : values) ++byValue[index];
    return byValue;
}

std::vector<std::uint32_t> CountHistogram::counts() const {
    return isDense() ? cells_ : countsOf(cells_, places());
}

void CountHistogram::setCounts(std::vector<std::uint32_t> byValue) {
    if (isDense()) {
        cells_ = std::move(byValue);
        return;
    }
    cells_.clear();
    for (std::size_t index = 0; index < byValue.size(); ++index)
        cells_.insert(cells_.end(), byValue[index], static_cast<std::uint32_t>(index));
}

void CountHistogram::merge(const CountHistogram& other) {
    if (total_ + other.total_ < places()) {
        cells_.insert(cells_.end(), other.cells_.begin(), other.cells_.end());
    } else {
        if (!isDense()) cells_ = countsOf(cells_, places());
        if (other.isDense()) {
            for (std::size_t index = 0; index < cells_.size(); ++index)
                cells_[index] += other.cells_.at(index);
        } else {
            for (const std::uint32_t index : other.cells_) ++cells_[index];
        }
    }
    sum_ += other.sum_;
    total_ += other.total_;
}

void CountHistogram::transferCounters(CounterTransfer& transfer) {
    std::vector<std::uint32_t> all = counts();
    for (std::uint32_t& count : all) transfer.pass(count);
    transfer.pass(sum_);
    transfer.pass(total_);
    setCounts(std::move(all));
}

int CountHistogram::percentile(int percent) const {
    if (total_ == 0) return minValue_;
    // ceil(percent * total / 100), at least the first value.
    const std::int64_t rank = std::max<std::int64_t>(1, (percent * total_ + 99) / 100);
    if (rank > total_) return maxValue_;
    if (!isDense()) {
        // The rank-th smallest of the values kept.
        std::vector<std::uint32_t> values = cells_;
        const auto nth = values.begin() + static_cast<std::ptrdiff_t>(rank - 1);
        std::nth_element(values.begin(), nth, values.end());
        return static_cast<int>(*nth) + minValue_;
    }
    std::int64_t seen = 0;
    for (std::size_t index = 0; index < cells_.size(); ++index) {
        seen += cells_[index];
        if (seen >= rank) return static_cast<int>(index) + minValue_;
    }
    return maxValue_;
}

static_assert(bandUnitsPerRun <= 0xFFFF, "a band unit fits in two bytes");

std::size_t BandStatistics::histogramCount() const noexcept {
    return static_cast<std::size_t>(days_) * seriesFields.size();
}

std::int64_t BandStatistics::runs() const noexcept {
    return byDay_.empty() ? static_cast<std::int64_t>(rows_.size() / histogramCount())
                          : byDay_.front().total();
}

CountHistogram BandStatistics::day(int day, Series series) const {
    const std::size_t index =
        static_cast<std::size_t>(day - 1) * seriesFields.size() + static_cast<std::size_t>(series);
    if (!byDay_.empty()) return byDay_.at(index);
    if (index >= histogramCount()) throw std::out_of_range("no such day");
    CountHistogram histogram(bandUnitsPerRun);
    for (std::size_t at = index; at < rows_.size(); at += histogramCount()) histogram.add(rows_[at]);
    return histogram;
}

void BandStatistics::add(const Trajectory& trajectory) {
    if (byDay_.empty()) {
        // A single run's counts take their room exactly.
        if (rows_.empty()) rows_.reserve(histogramCount());
        for (const DailyCounts& counts : trajectory)
            for (const SeriesField& field : seriesFields)
                rows_.push_back(static_cast<std::uint16_t>(bandUnits(counts.*field.count, persons_)));
        if (runs() == rowsUntil) useHistograms();
        return;
    }
    auto histogram = byDay_.begin();
    for (const DailyCounts& counts : trajectory)
        for (const SeriesField& field : seriesFields)
            (histogram++)->add(bandUnits(counts.*field.count, persons_));
}

void BandStatistics::addRows(const std::vector<std::uint16_t>& rows) {
    for (std::size_t at = 0; at < rows.size(); ++at) byDay_[at % histogramCount()].add(rows[at]);
}

void BandStatistics::useHistograms() {
    byDay_.assign(histogramCount(), CountHistogram(bandUnitsPerRun));
    addRows(rows_);
    rows_ = std::vector<std::uint16_t>();  // its room given back
}

// Each histogram's values, smallest first, as the counts of runs 0, 1, ...:
// the runs are others than those added, the counts of each day and series
// the same.
void BandStatistics::useRows() {
    std::vector<std::uint16_t> rows(static_cast<std::size_t>(runs()) * histogramCount());
    for (std::size_t index = 0; index < byDay_.size(); ++index) {
        std::size_t at = index;
        const std::vector<std::uint32_t> byValue = byDay_[index].counts();
        for (std::size_t value = 0; value < byValue.size(); ++value)
            for (std::uint32_t n = 0; n < byValue[value]; ++n, at += histogramCount())
                rows[at] = static_cast<std::uint16_t>(value);
    }
    rows_ = std::move(rows);
    byDay_ = std::vector<CountHistogram>();
}

void BandStatistics::merge(const BandStatistics& other) {
    if (byDay_.empty() && other.byDay_.empty() && runs() + other.runs() < rowsUntil) {
        rows_.insert(rows_.end(), other.rows_.begin(), other.rows_.end());
        return;
    }
    if (byDay_.empty()) useHistograms();
    if (other.byDay_.empty()) {
        addRows(other.rows_);
        return;
    }
    for (std::size_t i = 0; i < byDay_.size(); ++i) byDay_[i].merge(other.byDay_[i]);
}

void BandStatistics::transferCounters(CounterTransfer& transfer) {
    if (byDay_.empty()) useHistograms();
    for (CountHistogram& histogram : byDay_) histogram.transferCounters(transfer);
    if (runs() < rowsUntil) useRows();
}

PercentileCourses BandStatistics::courses() const {
    const Trajectory empty(static_cast<std::size_t>(days_));
    PercentileCourses courses{empty, empty, empty};
    for (int d = 1; d <= days_; ++d) {
        const auto at = static_cast<std::size_t>(d - 1);
        for (const SeriesField& field : seriesFields) {
            const CountHistogram values = day(d, field.series);
            courses.p10[at].*field.count = values.percentile(10);
            courses.p50[at].*field.count = values.percentile(50);
            courses.p90[at].*field.count = values.percentile(90);
        }
    }
    return courses;
}

OutcomeHistograms::OutcomeHistograms(Range range, const RunScope& scope) {
    for (const OutcomeInfo& info : outcomeTable) {
        const int max = outcomeMax(info.outcome, scope);
        histograms_.emplace_back(range == Range::differences ? -max : 0, max);
    }
}

void OutcomeHistograms::merge(const OutcomeHistograms& other) {
    for (std::size_t i = 0; i < histograms_.size(); ++i) histograms_[i].merge(other.histograms_[i]);
}

void OutcomeHistograms::transferCounters(CounterTransfer& transfer) {
    for (CountHistogram& histogram : histograms_) histogram.transferCounters(transfer);
}

void OutcomeStatistics::add(const RunSummary& summary) {
    for (const OutcomeInfo& info : outcomeTable)
        histograms_.add(info.outcome, outcomeValue(summary, info.outcome));
    if (summary.final.countInfected == 0) ++runsWithoutInfected_;
}

void OutcomeStatistics::merge(const OutcomeStatistics& other) {
    histograms_.merge(other.histograms_);
    runsWithoutInfected_ += other.runsWithoutInfected_;
}

void OutcomeStatistics::transferCounters(CounterTransfer& transfer) {
    histograms_.transferCounters(transfer);
    transfer.pass(runsWithoutInfected_);
}

}  // namespace pandemie
