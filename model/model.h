#pragma once
// The epidemic model: 1001 persons (0..1000, of whom 1..1000 are counted) who
// meet in random pairs, day by day.

#include <array>
#include <cstdint>

#include "draw_buffer.h"
#include "random.h"

namespace pandemie {

inline constexpr int personCount = 1001;     // persons 0..1000
inline constexpr int countedPersons = 1000;  // persons 1..1000
inline constexpr int runDays = 180;          // every run computes days 1..180
inline constexpr std::array<int, 3> initialCases{300, 500, 700};

enum Status : std::uint8_t { notInfected = 0, infected = 1, recovered = 2 };

struct Parameters {
    int encountersPerDay = 10;    // encounter draws per day, in thousands
    float infectionPerMille = 8;  // an encounter infects when its draw is below this
    int latencyDays = 2;          // infectious once more days than this have passed
    std::int16_t recoveryDays = 14;
    int calcDays = 180;  // shown by the days slider; no run reads it

    friend bool operator==(const Parameters&, const Parameters&) = default;
};

struct DailyCounts {
    int countSusceptible = 0;
    int countInfected = 0;
    int countRecovered = 0;

    friend bool operator==(const DailyCounts&, const DailyCounts&) = default;
};

// Status and infection day of every person, as two plain arrays.
struct PersonTable {
    std::array<std::uint8_t, personCount> status{};
    std::array<std::int16_t, personCount> infectionDay{};
};

// One run's state: a fresh table with persons 300, 500 and 700 infected on
// day 0, advanced one day at a time by simulateDay.
class Epidemic {
public:
    Epidemic(const Parameters& parameters, Random& random) noexcept;

    // Encounters, then recoveries, then the tally, all for the same day.
    void simulateDay(int day) noexcept;

    [[nodiscard]] const DailyCounts& counts() const noexcept { return counts_; }
    [[nodiscard]] const PersonTable& personTable() const noexcept { return personTable_; }

    // The last encounter's values: the two persons drawn and the infection draw.
    int personA = 0;
    int personB = 0;
    int infectionDraw = 0;

private:
    void encounterStep(int day) noexcept;
    void loadDraws(const Random& start, std::int64_t wanted) noexcept;
    void markInfectedInDraws(int from, int person) noexcept;
    void recoveryStep(int day) noexcept;
    void dailyTally() noexcept;

    Parameters parameters_;
    Random& random_;
    PersonTable personTable_;
    DailyCounts counts_;
    DrawBuffer draws_;
    std::array<std::uint8_t, DrawBuffer::capacity> drawnStatus_{};  // status of each drawn person
};

using Trajectory = std::array<DailyCounts, runDays>;  // index 0 holds day 1

// The day loop shared by every caller: simulates days 1..180 from a fresh
// population and hands each day's counts to onDay(day, counts) as soon as
// they are known. The generator advances; the next run continues its sequence.
template <typename OnDay>
void runLinear(const Parameters& parameters, Random& random, OnDay&& onDay) {
    Epidemic epidemic(parameters, random);
    for (int day = 1; day <= runDays; ++day) {
        epidemic.simulateDay(day);
        onDay(day, epidemic.counts());
    }
}

[[nodiscard]] Trajectory runTrajectory(const Parameters& parameters, Random& random);

}  // namespace pandemie
