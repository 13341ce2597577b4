#pragma once
// How far a run lies from the observations, day by day, so that a run can
// stop once it is too far.

#include <array>
#include <limits>
#include <span>
#include <vector>

#include "model/model.h"
#include "model/observations.h"

namespace pandemie {

// The sum of squares of a run that stopped once past its bound.
inline constexpr double unreached = std::numeric_limits<double>::infinity();

// The distance of a run to the observations: the root mean square over
// every observed count of the difference of the square roots of count + 3/8,
// which weighs a difference of counts by its chance spread, and over every
// count observed on the day before too, of the difference of the day's
// changes, scaled by their size: the changes show when the first cases
// recover, which the levels hide.
class ObservationDistance {
public:
    explicit ObservationDistance(const Observations& observed);
    // The sum of squares of `day`'s points, once the run's counts of that day
    // (and of the day before) are known.
    [[nodiscard]] double ofDay(int day, const DailyCounts& counts,
                               const DailyCounts& previous) const noexcept;
    [[nodiscard]] double distance(double sumOfSquares) const noexcept;
    [[nodiscard]] double sumOfSquaresFor(double distance) const noexcept;
    [[nodiscard]] int lastDay() const noexcept { return lastDay_; }
    // The run's counts at the same days and series, as if they had been observed.
    [[nodiscard]] Observations observationsLike(const Trajectory& run) const;

private:
    std::vector<std::array<double, 3>>
        value_;  // by day 0..last observed and series; negative where not counted
    int points_ = 0;
    int lastDay_ = 0;
};

// The sum of squares of a fresh run's days up to the last observed one, the
// changes taking effect on their days; unreached once it passes `bound`,
// where the run stops.
template <class Run>
[[nodiscard]] double sumOfSquaresOf(Run& run, const ObservationDistance& distance,
                                    std::span<const ParameterChange> changes, double bound) {
    double sum = 0;
    DailyCounts previous = run.counts();
    stepDays(run, changes, distance.lastDay(), [&](int day, const DailyCounts& counts) {
        sum += distance.ofDay(day, counts, previous);
        if (sum > bound) {
            sum = unreached;
            return false;
        }
        previous = counts;
        return true;
    });
    return sum;
}

// The same of a whole run's trajectory; no day 0 is observed, so day 1 has
// no change to compare.
[[nodiscard]] double sumOfSquaresOver(const Trajectory& trajectory, const ObservationDistance& distance);

}  // namespace pandemie
