#include "model/fit_distance.h"

#include <algorithm>
#include <cmath>

#include "model/count_epidemic.h"

namespace pandemie {

namespace {

constexpr std::size_t newCasesAt = static_cast<std::size_t>(ObservedSeries::newCases);

// The square of the difference of the square roots of count + 3/8.
double rootDifferenceSquared(double count, double observed) noexcept {
    const double difference = rootScale(count) - rootScale(observed);
    return difference * difference;
}

}  // namespace

double rootScale(double count) noexcept {
    return std::sqrt(count + 0.375);
}

std::vector<ObservedRow> rowsOf(const Observations& observed) {
    std::vector<ObservedRow> rows;
    rows.reserve(observed.days.size());
    for (const ObservedDay& day : observed.days) {
        ObservedRow row{
            day.day, day.periodDays, {-1, -1, -1, -1}, !rows.empty() && rows.back().day == day.day - 1};
        for (std::size_t s = 0; s < row.values.size(); ++s)
            if (day.counts[s]) row.values[s] = *day.counts[s];
        rows.push_back(row);
    }
    return rows;
}

ObservationDistance::ObservationDistance(const Observations& observed) : rows_(rowsOf(observed)) {
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        for (std::size_t s = 0; s < rows_[r].values.size(); ++s) {
            if (rows_[r].values[s] < 0) continue;
            ++points_;
            if (s != newCasesAt && rows_[r].followsDayBefore && rows_[r - 1].values[s] >= 0) ++points_;
        }
    }
}

Observations ObservationDistance::observationsLike(std::span<const RowValues> values) const {
    Observations observations;
    for (std::size_t r = 0; r < rows_.size() && r < values.size(); ++r) {
        ObservedDay day{rows_[r].day, {}, rows_[r].periodDays};
        for (std::size_t s = 0; s < day.counts.size(); ++s)
            if (rows_[r].values[s] >= 0) day.counts[s] = values[r][s];
        observations.days.push_back(day);
    }
    return observations;
}

double ObservationDistance::ofRow(std::size_t r, const RowValues& values,
                                  const RowValues& before) const noexcept {
    const ObservedRow& row = rows_[r];
    const ObservedRow* const previous = row.followsDayBefore ? &rows_[r - 1] : nullptr;
    double sum = 0;
    for (std::size_t s = 0; s < newCasesAt; ++s) {
        if (row.values[s] < 0) continue;
        sum += rootDifferenceSquared(values[s], row.values[s]);
        if (previous == nullptr || previous->values[s] < 0) continue;
        // The day's change, as a count whose spread grows with its size.
        const double observedChange = row.values[s] - previous->values[s];
        const double change = values[s] - before[s];
        sum += (change - observedChange) * (change - observedChange) /
               (std::abs(change) + std::abs(observedChange) + 2);
    }
    if (row.values[newCasesAt] >= 0) sum += rootDifferenceSquared(values[newCasesAt], row.values[newCasesAt]);
    return sum;
}

double ObservationDistance::distance(double sumOfSquares) const noexcept {
    return points_ == 0 ? 0 : std::sqrt(sumOfSquares / points_);
}

double ObservationDistance::sumOfSquaresFor(double distance) const noexcept {
    return distance * distance * points_;
}

CaseTally::CaseTally(int initialCases, int notInfected, int lastDay)
    : cohort_(static_cast<std::size_t>(std::max(lastDay, 0)) + 1),
      cumulative_(cohort_.size()),
      notInfected_(notInfected) {
    cohort_[0] = initialCases;
}

void CaseTally::addDay(int day, int notInfected, int latencyDays) {
    const auto d = static_cast<std::size_t>(day);
    cohort_[d] = notInfected_ - notInfected;
    notInfected_ = notInfected;
    // Cohort t is infectious on day d once d - t > latency.
    std::int64_t cases = 0;
    for (; nextCohort_ < day - latencyDays; ++nextCohort_)
        cases += cohort_[static_cast<std::size_t>(nextCohort_)];
    cumulative_[d] = cumulative_[d - 1] + cases;
    lastDay_ = day;
}

std::int64_t CaseTally::casesOfDays(int first, int last) const noexcept {
    last = std::min(last, lastDay_);
    if (last < 1 || last < first) return 0;
    const std::int64_t before = first <= 1 ? 0 : cumulative_[static_cast<std::size_t>(first - 1)];
    return cumulative_[static_cast<std::size_t>(last)] - before;
}

RowValues valuesOn(const ObservedRow& row, int shift, const DailyCounts& counts, const CaseTally& tally,
                   const Sighting& sighting, Random& thinning) {
    RowValues values{-1, -1, -1, -1};
    for (const SeriesField& field : seriesFields) {
        const auto s = static_cast<std::size_t>(field.series);
        if (row.values[s] >= 0) values[s] = counts.*field.count;
    }
    if (row.values[newCasesAt] >= 0) {
        const int last = row.day + shift - sighting.reportDelay;
        const std::int64_t cases = tally.casesOfDays(last - row.periodDays + 1, last);
        values[newCasesAt] = static_cast<double>(binomialCount(thinning, cases, sighting.reporting));
    }
    return values;
}

double sumOfSquaresOver(std::span<const RowValues> values, const ObservationDistance& distance) {
    double sum = 0;
    for (std::size_t r = 0; r < values.size() && r < distance.rows().size(); ++r)
        sum += distance.ofRow(r, values[r], r == 0 ? values[0] : values[r - 1]);
    return sum;
}

}  // namespace pandemie
