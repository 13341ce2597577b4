#pragma once
// The persons 0..1000 (of whom 1..1000 are counted): status and infection day.

#include <array>
#include <cstdint>

namespace pandemie {

inline constexpr int personCount = 1001;     // persons 0..1000
inline constexpr int countedPersons = 1000;  // persons 1..1000

enum Status : std::uint8_t { notInfected = 0, infected = 1, recovered = 2 };

// Status and infection day of every person, as two plain arrays.
struct PersonTable {
    std::array<std::uint8_t, personCount> status{};
    std::array<std::int16_t, personCount> infectionDay{};
};

}  // namespace pandemie
