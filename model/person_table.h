#pragma once
// The persons 0..N (of whom 1..N are counted): status and infection day.

#include <cstdint>
#include <vector>

namespace pandemie {

enum Status : std::uint8_t { notInfected = 0, infected = 1, recovered = 2 };

// The window's population: persons 0..1000, of whom 1..1000 are counted.
inline constexpr int countedPersons = 1000;

// Status and infection day of every person, as two plain arrays.
struct PersonTable {
    explicit PersonTable(int counted = countedPersons)
        : status(static_cast<std::size_t>(counted) + 1), infectionDay(static_cast<std::size_t>(counted) + 1) {}

    [[nodiscard]] int counted() const noexcept { return static_cast<int>(status.size()) - 1; }

    std::vector<std::uint8_t> status;
    std::vector<std::int16_t> infectionDay;
};

}  // namespace pandemie
