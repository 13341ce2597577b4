#pragma once
// The day axis of the linear charts: day d of a run of D days at
// x = 60 + 720 d / D, so x = 60 + 4d for the window's 180 days; the plot
// area ends at x = 783.

#include <array>

#include "model/model.h"

namespace chart {

struct DayAxis {
    int days = pandemie::runDays;

    // The axis of a course's days; of 180 for a course not yet computed.
    [[nodiscard]] static DayAxis of(const pandemie::Trajectory& course) {
        return {course.empty() ? pandemie::runDays : static_cast<int>(course.size())};
    }

    [[nodiscard]] double x(double day) const { return 60 + 720.0 * day / days; }
    [[nodiscard]] double dayAt(double x) const { return (x - 60) * days / 720.0; }

    // The counts of a day of the course; zero counts on a day it does not
    // have, as a course not yet computed has none.
    [[nodiscard]] static pandemie::DailyCounts countsOn(const pandemie::Trajectory& course, int day) {
        const auto at = static_cast<std::size_t>(day - 1);
        return day >= 1 && at < course.size() ? course[at] : pandemie::DailyCounts{};
    }

    // Day 0 and every step-th day are labelled, six or fewer steps in all:
    // every 30th of the window's 180 days.
    [[nodiscard]] int labelStep() const {
        constexpr std::array<int, 15> steps{1, 2, 5, 10, 15, 20, 30, 50, 60, 100, 150, 200, 250, 300, 500};
        for (const int step : steps)
            if (days <= 6 * step) return step;
        return steps.back();
    }
};

}  // namespace chart
