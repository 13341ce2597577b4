#pragma once
// The persons 0..N (of whom 1..N are counted): status and infection day.

#include <array>
#include <cstdint>
#include <vector>

namespace pandemie {

enum Status : std::uint8_t { notInfected = 0, infected = 1, recovered = 2 };

// The window's population: persons 0..1000, of whom 1..1000 are counted.
inline constexpr int countedPersons = 1000;

// How many of the persons 0..N have each status, indexed by Status.
using StatusCounts = std::array<std::int64_t, 3>;

// Status and infection day of every person, as two plain arrays, and the
// persons in the order they were infected, so that a day's recoveries and
// tally need not pass over the whole table.
struct PersonTable {
    explicit PersonTable(int counted = countedPersons)
        : status(static_cast<std::size_t>(counted) + 1), infectionDay(static_cast<std::size_t>(counted) + 1) {
        // Only reserved: the pages a run never reaches take no memory, and
        // an infection never reallocates.
        infectionOrder.reserve(status.size());
    }

    [[nodiscard]] int counted() const noexcept { return static_cast<int>(status.size()) - 1; }

    // Sets the status and infection day, and appends the person to the order.
    void infect(std::int32_t person, int day) noexcept {
        status[static_cast<std::size_t>(person)] = infected;
        infectionDay[static_cast<std::size_t>(person)] = static_cast<std::int16_t>(day);
        infectionOrder.push_back(person);
    }

    std::vector<std::uint8_t> status;
    std::vector<std::int16_t> infectionDay;
    std::vector<std::int32_t> infectionOrder;  // infection days never decrease along it
};

}  // namespace pandemie
