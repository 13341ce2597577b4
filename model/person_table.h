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

// Status and infection day of every person, as two plain arrays; the
// statuses again, four a byte; and the persons in the order they were
// infected, so that a day's recoveries and tally need not pass over the
// whole table.
struct PersonTable {
    explicit PersonTable(int counted = countedPersons)
        : status(static_cast<std::size_t>(counted) + 1),
          infectionDay(status.size()),
          packedStatus((status.size() + 3) / 4) {
        // Only reserved: the pages a run never reaches take no memory, and
        // an infection never reallocates.
        infectionOrder.reserve(status.size());
    }

    [[nodiscard]] int counted() const noexcept { return static_cast<int>(status.size()) - 1; }

    // Sets the status and infection day, and appends the person to the order.
    void infect(std::int32_t person, int day) noexcept {
        setStatus(static_cast<std::size_t>(person), infected);
        infectionDay[static_cast<std::size_t>(person)] = static_cast<std::int16_t>(day);
        infectionOrder.push_back(person);
    }

    void setStatus(std::size_t person, Status value) noexcept {
        status[person] = value;
        const std::size_t shift = 2 * (person % 4);
        std::uint8_t& byte = packedStatus[person / 4];
        byte = static_cast<std::uint8_t>((byte & ~(3U << shift)) | (unsigned{value} << shift));
    }

    // From the packed statuses.
    [[nodiscard]] static std::uint8_t packedStatusOf(const std::uint8_t* packed,
                                                     std::int32_t person) noexcept {
        const auto at = static_cast<std::uint32_t>(person);
        return static_cast<std::uint8_t>((packed[at / 4] >> (2 * (at % 4))) & 3U);
    }

    std::vector<std::uint8_t> status;
    std::vector<std::int16_t> infectionDay;
    // Person p in bits 2 (p mod 4) and 2 (p mod 4) + 1 of byte p / 4: a
    // quarter of the memory, so that looking persons up at random in a large
    // population misses the caches less often.
    std::vector<std::uint8_t> packedStatus;
    std::vector<std::int32_t> infectionOrder;  // infection days never decrease along it
};

}  // namespace pandemie
