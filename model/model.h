#pragma once
// The epidemic model: persons 0..N (of whom 1..N are counted; 1000 in the
// window) who meet in random pairs, day by day.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/encounter_walk.h"
#include "model/person_table.h"
#include "model/random.h"

namespace pandemie {

inline constexpr int runDays = 180;  // the window's runs compute days 1..180

// How large a run is: persons 1..persons are counted (person 0 is drawn in
// encounters, never counted and never recovers), initialCases of them are
// infected on day 0, and days 1..days are simulated.
struct RunScope {
    int persons = 1000;
    int initialCases = 3;
    int days = runDays;

    friend bool operator==(const RunScope&, const RunScope&) = default;
};

// What any run may be given; the window's runs are RunScope{}.
struct ScopeLimits {
    int minPersons = 10;
    int maxPersons = 10'000'000;
    int minInitialCases = 1;
    int maxDays = 1000;
};
inline constexpr ScopeLimits scopeLimits{};

// Neighbouring first cases lie at least two persons apart.
[[nodiscard]] constexpr int mostInitialCases(int persons) noexcept {
    return persons / 2 - 2;
}

// Whether a run of this scope can be simulated.
[[nodiscard]] constexpr bool isValidScope(const RunScope& scope) noexcept {
    return scope.persons >= scopeLimits.minPersons && scope.persons <= scopeLimits.maxPersons &&
           scope.initialCases >= scopeLimits.minInitialCases &&
           scope.initialCases <= mostInitialCases(scope.persons) && scope.days >= 1 &&
           scope.days <= scopeLimits.maxDays;
}

// The persons infected on day 0: case i of K (0-based) is person
// (i + 3/2) / (K + 2) of N, rounded half up, so the cases lie evenly spaced
// around the middle of the table: persons 300, 500 and 700 of 1000 for three.
[[nodiscard]] std::vector<int> initialCasesOf(const RunScope& scope);

struct Parameters {
    int encountersPerDay = 10;    // encounter draws per day, in thousands
    float infectionPerMille = 8;  // an encounter infects when its draw is below this
    int latencyDays = 2;          // infectious once more days than this have passed
    std::int16_t recoveryDays = 14;
    int calcDays = 180;  // shown by the days slider; no run reads it

    friend bool operator==(const Parameters&, const Parameters&) = default;
};

// New parameters that hold from the encounters of `day` on.
struct ParameterChange {
    int day = 1;
    Parameters parameters;

    friend bool operator==(const ParameterChange&, const ParameterChange&) = default;
};

struct DailyCounts {
    int countSusceptible = 0;
    int countInfected = 0;
    int countRecovered = 0;

    friend bool operator==(const DailyCounts&, const DailyCounts&) = default;
};

// The three series of the counts, in the order of the files' columns.
enum class Series : std::uint8_t { notInfected, infected, recovered };

struct SeriesField {
    Series series;
    std::string_view name;  // in the CSV files
    int DailyCounts::*count;
};

inline constexpr std::array<SeriesField, 3> seriesFields{{
    {Series::notInfected, "not_infected", &DailyCounts::countSusceptible},
    {Series::infected, "infected", &DailyCounts::countInfected},
    {Series::recovered, "recovered", &DailyCounts::countRecovered},
}};

[[nodiscard]] constexpr const SeriesField& fieldOf(Series series) noexcept {
    return seriesFields[static_cast<std::size_t>(series)];
}
[[nodiscard]] constexpr int countOf(const DailyCounts& counts, Series series) noexcept {
    return counts.*fieldOf(series).count;
}

// The smallest whole number n with d < t equivalent to d < n for every
// infection draw d in 0..1000; a NaN threshold lets nothing through, like
// the comparison.
[[nodiscard]] int wholeNumberThreshold(float t) noexcept;

// One run's state: a fresh table with the scope's first cases infected on
// day 0, advanced one day at a time by simulateDay.
class Epidemic {
public:
    Epidemic(const Parameters& parameters, Random& random, const RunScope& scope = {});

    // Takes effect from the next day's encounters, recoveries and tally.
    void setParameters(const Parameters& parameters) noexcept;

    // Encounters, then recoveries, then the tally, all for the same day.
    void simulateDay(int day) noexcept;

    // The same day, for a run whose generator is discarded afterwards: once
    // nobody is infected or nobody can be infected (persons 0..N), no
    // encounter can change the table again, and the day draws nothing.
    void simulateDayOfIndependentRun(int day) noexcept;

    // The last tally; before the first day, that of the fresh table.
    [[nodiscard]] const DailyCounts& counts() const noexcept { return counts_; }
    [[nodiscard]] const PersonTable& personTable() const noexcept { return personTable_; }

private:
    [[nodiscard]] bool encountersCanChangeTable() const noexcept;
    [[nodiscard]] std::int64_t encountersOfDay() const noexcept;
    [[nodiscard]] StatusCounts statusCounts() const noexcept;
    void walk(int day) noexcept;
    void recoveryStep(int day) noexcept;
    void dailyTally() noexcept;

    Parameters parameters_;
    int persons_;
    EncounterRule rule_;
    Random& random_;
    PersonTable personTable_;
    // Recoveries and the tally follow the infection order, so that a day
    // costs its infections and recoveries rather than a pass over the table.
    std::size_t firstNotRecovered_ = 0;  // in the infection order
    std::size_t tallied_ = 0;            // infections already counted
    int everInfected_ = 0;               // counted persons, that is 1..N
    int recoveredCount_ = 0;
    DailyCounts counts_;
    EncounterWalk walk_;
};

using Trajectory = std::vector<DailyCounts>;  // index 0 holds day 1

// The day loop shared by every caller: simulates days 1..scope.days from a
// fresh population and hands each day's counts to onDay(day, counts) as soon
// as they are known. The generator advances; the next run continues its sequence.
template <typename OnDay>
void runLinear(const Parameters& parameters, Random& random, OnDay&& onDay, const RunScope& scope = {}) {
    Epidemic epidemic(parameters, random, scope);
    for (int day = 1; day <= scope.days; ++day) {
        epidemic.simulateDay(day);
        onDay(day, epidemic.counts());
    }
}

[[nodiscard]] Trajectory runTrajectory(const Parameters& parameters, Random& random,
                                       const RunScope& scope = {});

// Steps a run (Epidemic, CountEpidemic, SeededEpidemic) through days
// 1..lastDay, the changes (sorted by day; of several on one day the last
// holds) taking effect on their days, and hands each day's counts to
// onDay(day, counts); the run stops early once onDay returns false.
template <class Run, class OnDay>
void stepDays(Run& run, std::span<const ParameterChange> changes, int lastDay, OnDay&& onDay) {
    auto change = changes.begin();
    for (int day = 1; day <= lastDay; ++day) {
        const ParameterChange* due = nullptr;
        for (; change != changes.end() && change->day <= day; ++change) due = &*change;
        if (due != nullptr) run.setParameters(due->parameters);
        run.simulateDay(day);
        if (!onDay(day, run.counts())) return;
    }
}

// An Epidemic with a generator of its own, seeded with `seed` and discarded
// with the run: it stops drawing once the draws can no longer change anything.
class SeededEpidemic {
public:
    SeededEpidemic(const Parameters& parameters, std::uint64_t seed, const RunScope& scope = {})
        : random_(seed), epidemic_(parameters, random_, scope) {}
    SeededEpidemic(const SeededEpidemic&) = delete;
    SeededEpidemic& operator=(const SeededEpidemic&) = delete;
    SeededEpidemic(SeededEpidemic&&) = delete;
    SeededEpidemic& operator=(SeededEpidemic&&) = delete;
    ~SeededEpidemic() = default;

    void setParameters(const Parameters& parameters) noexcept { epidemic_.setParameters(parameters); }
    void simulateDay(int day) noexcept { epidemic_.simulateDayOfIndependentRun(day); }
    [[nodiscard]] const DailyCounts& counts() const noexcept { return epidemic_.counts(); }

private:
    Random random_;  // before the epidemic, which refers to it
    Epidemic epidemic_;
};

// A run of its own from a generator seeded with `seed`, with the changes
// (sorted by day; of several on one day the last holds) applied on their
// days. The same trajectory as runTrajectory with changes applied, but it
// stops drawing once the draws can no longer change anything.
[[nodiscard]] Trajectory runSeeded(const Parameters& parameters, std::uint64_t seed,
                                   std::span<const ParameterChange> changes = {}, const RunScope& scope = {});

}  // namespace pandemie
