#pragma once
// How far a run lies from the observations, row by row, so that a run can
// stop once it is too far; and how a run is seen on the observations' rows.

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "model/model.h"
#include "model/observations.h"
#include "model/random.h"

namespace pandemie {

// A count on the distance's scale, sqrt(count + 3/8), on which a count's
// chance spread is about 1/2 whatever its size.
[[nodiscard]] double rootScale(double count) noexcept;

// The sum of squares of a run that stopped once past its bound.
inline constexpr double unreached = std::numeric_limits<double>::infinity();

// A row's values in the order of ObservedSeries; negative where not counted.
using RowValues = std::array<double, 4>;

// A row as runs are compared with it: the data's day it closes, its period
// and the values observed.
struct ObservedRow {
    int day = 1;
    int periodDays = 1;
    RowValues values{-1, -1, -1, -1};
    bool followsDayBefore = false;  // the row before closes the day before

    [[nodiscard]] bool counts(ObservedSeries series) const noexcept {
        return values[static_cast<std::size_t>(series)] >= 0;
    }
};

[[nodiscard]] std::vector<ObservedRow> rowsOf(const Observations& observed);

// The distance of a run to the observations: the root mean square over
// every observed count of the difference of the square roots of count + 3/8,
// which weighs a difference of counts by its chance spread, and over every
// level observed on the day before too, of the difference of the day's
// changes, scaled by their size: the changes show when the first cases
// recover, which the levels hide.
class ObservationDistance {
public:
    explicit ObservationDistance(const Observations& observed);
    // The sum of squares of row r's points from a run's values on it and on the row before.
    [[nodiscard]] double ofRow(std::size_t r, const RowValues& values,
                               const RowValues& before) const noexcept;
    [[nodiscard]] double distance(double sumOfSquares) const noexcept;
    [[nodiscard]] double sumOfSquaresFor(double distance) const noexcept;
    [[nodiscard]] int lastDay() const noexcept { return rows_.empty() ? 0 : rows_.back().day; }
    [[nodiscard]] const std::vector<ObservedRow>& rows() const noexcept { return rows_; }
    // A run's values on every row, as if they had been observed.
    [[nodiscard]] Observations observationsLike(std::span<const RowValues> values) const;

private:
    std::vector<ObservedRow> rows_;
    int points_ = 0;
};

// How a run is seen: the data's day k is the model's day k + start - 1.
// Levels are the day's counts. A case is a person on the day it becomes
// infectious (infection day + latency + 1, the latency in force that day),
// counted reportDelay days later, each with the chance `reporting`; a row's
// new cases are those counted in its period.
struct Sighting {
    int start = 1;
    int reportDelay = 0;
    double reporting = 1;
    std::uint64_t thinningSeed = 0;
};

// The cases of a run, day by day, from its not-infected counts.
class CaseTally {
public:
    CaseTally(int initialCases, int notInfected, int lastDay);
    // After the day's tally, with the latency its encounters used.
    void addDay(int day, int notInfected, int latencyDays);
    // Cases that became infectious on days first..last (days before 1 have none).
    [[nodiscard]] std::int64_t casesOfDays(int first, int last) const noexcept;

private:
    std::vector<int> cohort_;               // by infection day
    std::vector<std::int64_t> cumulative_;  // cases up to and including each day
    int notInfected_;
    int nextCohort_ = 0;  // the first not yet infectious
    int lastDay_ = 0;     // the last day added
};

// A run's value of one row, the run being at the row's day.
[[nodiscard]] RowValues valuesOn(const ObservedRow& row, int shift, const DailyCounts& counts,
                                 const CaseTally& tally, const Sighting& sighting, Random& thinning);

// Steps a fresh run (Epidemic, CountEpidemic, SeededEpidemic) from day 1
// through the model's day of the data's day `lastDataDay` (at least the last
// row's), the changes (sorted by day, on the model's days; of several on one
// day the last holds) taking effect on their days, and hands each row's
// values to onRow(r, values); the run stops early once onRow returns false.
template <class Run, class OnRow>
void observeRows(Run& run, const Parameters& parameters, std::span<const ParameterChange> changes,
                 std::span<const ObservedRow> rows, const Sighting& sighting, int initialCases,
                 int lastDataDay, OnRow&& onRow) {
    const int shift = sighting.start - 1;
    const int lastDay = lastDataDay + shift;
    CaseTally tally(initialCases, run.counts().countSusceptible, lastDay);
    Random thinning(sighting.thinningSeed);
    int latency = parameters.latencyDays;
    auto change = changes.begin();
    std::size_t next = 0;
    for (int day = 1; day <= lastDay; ++day) {
        const ParameterChange* due = nullptr;
        for (; change != changes.end() && change->day <= day; ++change) due = &*change;
        if (due != nullptr) {
            run.setParameters(due->parameters);
            latency = due->parameters.latencyDays;
        }
        run.simulateDay(day);
        tally.addDay(day, run.counts().countSusceptible, latency);
        for (; next < rows.size() && rows[next].day + shift <= day; ++next)
            if (!onRow(next, valuesOn(rows[next], shift, run.counts(), tally, sighting, thinning))) return;
    }
}

// The sum of squares of a fresh run over the rows, or unreached once it
// passes `bound`, where the run stops.
template <class Run>
[[nodiscard]] double sumOfSquaresOf(Run& run, const Parameters& parameters,
                                    std::span<const ParameterChange> changes,
                                    const ObservationDistance& distance, const Sighting& sighting,
                                    int initialCases, double bound) {
    double sum = 0;
    RowValues before{};
    observeRows(run, parameters, changes, distance.rows(), sighting, initialCases, distance.lastDay(),
                [&](std::size_t r, const RowValues& values) {
                    sum += distance.ofRow(r, values, before);
                    if (sum > bound) {
                        sum = unreached;
                        return false;
                    }
                    before = values;
                    return true;
                });
    return sum;
}

// A run that keeps the counts of every day it simulates.
template <class Run>
class RecordedRun {
public:
    RecordedRun(Run& run, Trajectory& days) : run_(run), days_(days) {}
    void setParameters(const Parameters& parameters) noexcept { run_.setParameters(parameters); }
    void simulateDay(int day) {
        run_.simulateDay(day);
        days_.push_back(run_.counts());
    }
    [[nodiscard]] const DailyCounts& counts() const noexcept { return run_.counts(); }

private:
    Run& run_;
    Trajectory& days_;
};

// The same of a run's values on every row.
[[nodiscard]] double sumOfSquaresOver(std::span<const RowValues> values, const ObservationDistance& distance);

}  // namespace pandemie
