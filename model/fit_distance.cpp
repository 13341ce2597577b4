#include "model/fit_distance.h"

#include <algorithm>
#include <cmath>

namespace pandemie {

ObservationDistance::ObservationDistance(const Observations& observed)
    : value_(static_cast<std::size_t>(std::max(observed.lastDay(), 0)) + 1, {-1, -1, -1}) {
    for (const ObservedDay& day : observed.days)
        for (std::size_t s = 0; s < 3; ++s)
            if (day.counts[s]) value_[static_cast<std::size_t>(day.day)][s] = *day.counts[s];
    for (std::size_t day = 1; day < value_.size(); ++day) {
        for (std::size_t s = 0; s < 3; ++s) {
            if (value_[day][s] < 0) continue;
            ++points_;
            if (value_[day - 1][s] >= 0) ++points_;
        }
    }
    lastDay_ = observed.lastDay();
}

Observations ObservationDistance::observationsLike(const Trajectory& run) const {
    Observations observations;
    for (int day = 1; day <= lastDay_; ++day) {
        ObservedDay observed{day, {}};
        bool any = false;
        for (const SeriesField& field : seriesFields) {
            const auto s = static_cast<std::size_t>(field.series);
            if (value_[static_cast<std::size_t>(day)][s] < 0) continue;
            observed.counts[s] = run[static_cast<std::size_t>(day - 1)].*field.count;
            any = true;
        }
        if (any) observations.days.push_back(observed);
    }
    return observations;
}

double ObservationDistance::ofDay(int day, const DailyCounts& counts,
                                  const DailyCounts& previous) const noexcept {
    const auto& values = value_[static_cast<std::size_t>(day)];
    const auto& before = value_[static_cast<std::size_t>(day - 1)];
    double sum = 0;
    for (const SeriesField& field : seriesFields) {
        const auto s = static_cast<std::size_t>(field.series);
        if (values[s] < 0) continue;
        const double count = counts.*field.count;
        const double difference = std::sqrt(count + 0.375) - std::sqrt(values[s] + 0.375);
        sum += difference * difference;
        if (before[s] < 0) continue;
        // The day's change, as a count whose spread grows with its size.
        const double observedChange = values[s] - before[s];
        const double change = count - previous.*field.count;
        sum += (change - observedChange) * (change - observedChange) /
               (std::abs(change) + std::abs(observedChange) + 2);
    }
    return sum;
}

double ObservationDistance::distance(double sumOfSquares) const noexcept {
    return points_ == 0 ? 0 : std::sqrt(sumOfSquares / points_);
}

double ObservationDistance::sumOfSquaresFor(double distance) const noexcept {
    return distance * distance * points_;
}

double sumOfSquaresOver(const Trajectory& trajectory, const ObservationDistance& distance) {
    double sum = 0;
    for (int day = 1; day <= distance.lastDay(); ++day)
        sum += distance.ofDay(day, trajectory[static_cast<std::size_t>(day - 1)],
                              trajectory[static_cast<std::size_t>(std::max(0, day - 2))]);
    return sum;
}

}  // namespace pandemie
