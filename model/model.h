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

    // The parameters of every later simulateDay; the day's draws are not touched.
    void setParameters(const Parameters& parameters) noexcept;

    [[nodiscard]] const DailyCounts& counts() const noexcept { return counts_; }
    [[nodiscard]] const PersonTable& personTable() const noexcept { return personTable_; }

    // The last encounter's values: the two persons drawn and the infection draw.
    int personA = 0;
    int personB = 0;
    int infectionDraw = 0;

private:
    // Where the walk through one buffer of draws last was.
    struct Walk {
        int lastSingle = -1;        // start of the last encounter taken on its own
        int lastSingleDraw = -1;    // ... of those, the last with an infection draw
        int lastPair = -1;          // start of the last pair of encounters taken at once
        int lastPairWithDraw = -1;  // ... of those, the last with an infection draw
    };

    void encounterStep(int day) noexcept;
    [[nodiscard]] int walkPairs(int position, int pairs, int day, Walk& walk) noexcept;
    [[nodiscard]] int encounterAt(int position, int day, Walk& walk) noexcept;
    void infect(int position, int taken, int day) noexcept;
    void recordLastEncounter(const Walk& walk) noexcept;
    void loadDraws(const Random& start, std::int64_t wanted) noexcept;
    void markInfectedInDraws(int from, int person) noexcept;
    void refreshCodes(int from) noexcept;
    void recoveryStep(int day) noexcept;
    void dailyTally() noexcept;

    // Room for the few entries read past the end of the buffer.
    static constexpr std::size_t codeRoom = DrawBuffer::capacity + 8;

    Parameters parameters_;
    Random& random_;
    int threshold_;  // a draw below it may infect
    PersonTable personTable_;
    DailyCounts counts_;
    DrawBuffer draws_;
    // For the draw at position i: the status of the person drawn; the number
    // of values an encounter starting at i takes (2 or 3, bits 0-1) and
    // whether it may infect (bit 2); the number the two encounters from i take
    // (4 to 6, bits 0-2) and whether either may infect (bit 7).
    std::array<std::uint8_t, codeRoom> drawnStatus_{};
    std::array<std::uint8_t, codeRoom> singleCode_{};
    std::array<std::uint8_t, codeRoom> pairCode_{};
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
