#pragma once
// Counts observed on some of the model's days, as a fit reads them: persons
// of the population the runs simulate, as counted.

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "model/model.h"

namespace pandemie {

struct ObservedDay {
    int day = 1;  // 1..D, the model's day
    // Per series in the order of seriesFields; nothing where it was not counted.
    std::array<std::optional<double>, 3> counts;

    friend bool operator==(const ObservedDay&, const ObservedDay&) = default;
};

struct Observations {
    std::vector<ObservedDay> days;  // ascending, each day once, at least one

    [[nodiscard]] int firstDay() const noexcept { return days.empty() ? 0 : days.front().day; }
    [[nodiscard]] int lastDay() const noexcept { return days.empty() ? 0 : days.back().day; }
    // Whether any day has a count of the series.
    [[nodiscard]] bool counts(Series series) const noexcept {
        return std::ranges::any_of(days, [series](const ObservedDay& day) {
            return day.counts[static_cast<std::size_t>(series)].has_value();
        });
    }

    friend bool operator==(const Observations&, const Observations&) = default;
};

}  // namespace pandemie
