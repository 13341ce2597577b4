#pragma once
// Counts observed on some of the model's days, as a fit reads them: persons
// of the population the runs simulate, as counted.
//
// A row closes on a day and observes any of the day's three counts and the
// new cases of its period: the persons counted as cases on the days after
// the row before, up to its own day (a case is counted on the day its person
// becomes infectious, some of them only; see FitSettings).

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "model/model.h"

namespace pandemie {

// What a column observes: the day's three counts in the order of
// seriesFields, then the new cases of the row's period.
enum class ObservedSeries : std::uint8_t { notInfected, infected, recovered, newCases };

inline constexpr std::array<std::string_view, 4> observedSeriesNames{"not_infected", "infected", "recovered",
                                                                     "new_cases"};

[[nodiscard]] constexpr std::string_view nameOf(ObservedSeries series) noexcept {
    return observedSeriesNames[static_cast<std::size_t>(series)];
}

[[nodiscard]] constexpr ObservedSeries observedSeriesOf(Series series) noexcept {
    return static_cast<ObservedSeries>(series);
}

struct ObservedDay {
    int day = 1;  // the day the row closes: 1..D, the model's day
    // Per series in the order of ObservedSeries; nothing where it was not counted.
    std::array<std::optional<double>, 4> counts;
    int periodDays = 1;  // new cases: of the days day - periodDays + 1 .. day (those of them from day 1)

    friend bool operator==(const ObservedDay&, const ObservedDay&) = default;
};

struct Observations {
    std::vector<ObservedDay> days;  // ascending, each day once, at least one
    // The date of day 1, as days since 1970-01-01, where the rows had dates.
    // Without a known start, day 1 is the first day of the first row's period.
    std::optional<std::int64_t> dateOfDayOne{};

    [[nodiscard]] int firstDay() const noexcept { return days.empty() ? 0 : days.front().day; }
    [[nodiscard]] int lastDay() const noexcept { return days.empty() ? 0 : days.back().day; }
    // Whether any row has a count of the series.
    [[nodiscard]] bool counts(ObservedSeries series) const noexcept {
        return std::any_of(days.begin(), days.end(), [series](const ObservedDay& day) {
            return day.counts[static_cast<std::size_t>(series)].has_value();
        });
    }
    [[nodiscard]] bool counts(Series series) const noexcept { return counts(observedSeriesOf(series)); }

    friend bool operator==(const Observations&, const Observations&) = default;
};

}  // namespace pandemie
