#pragma once
// The day's encounters: pairs of persons drawn from a buffer of random whole
// numbers, with a third draw, the infection draw, only when the two statuses
// differ, exactly as if the values were drawn one by one.

#include <array>
#include <cstdint>

#include "model/draw_buffer.h"
#include "model/person_table.h"
#include "model/random.h"

namespace pandemie {

struct EncounterRule {
    int threshold = 0;  // an infection draw below it may infect
    int latencyDays = 0;
};

// Where the next encounter starts depends on the statuses in this one: a
// chain through every encounter of the day. To keep it short, every position
// of the buffer carries the status of the person drawn there and codes
// derived from it: how many values the encounter starting there takes, and
// how many the two encounters starting there take together, so that the walk
// goes two encounters a step with one load. Most encounters cannot infect
// (equal statuses, or a draw too high); the codes flag those that may, and
// only those are looked at one by one. An infection changes the status of
// one person, and with it the codes of the few positions ahead that draw it.
class EncounterWalk {
public:
    // Performs `encounters` encounters of `day` on `table`, whose persons
    // 0..N have the statuses `counts`, drawing from `random`, which is left
    // after the last value used.
    void walk(std::int64_t encounters, int day, const EncounterRule& rule, const StatusCounts& counts,
              PersonTable& table, Random& random) noexcept;

private:
    // A code: the number of values taken (2 or 3 for one encounter, 4 to 6
    // for two) and whether an encounter among them may infect.
    static constexpr std::uint8_t valuesTaken = 0x07;
    static constexpr std::uint8_t mayInfect = 0x80;
    static constexpr int singleMaxValues = 3;
    static constexpr int pairMaxValues = 6;
    // A pair code at i reads the single codes up to i + 3, and those read
    // statuses up to i + 4 and draws up to i + 5. The codes are computed for
    // every position of the buffer, so the last ones read into the padding;
    // the walk reads a code only where all the values it may cover lie
    // inside the buffer (six for a pair code, three for a single one), and
    // such a code reads nothing past the end.
    static constexpr int readAhead = 5;
    static_assert(DrawBuffer::padding >= readAhead);
    static constexpr std::size_t codeRoom = DrawBuffer::capacity + DrawBuffer::padding;
    // From this many persons on, the statuses are looked up in the packed
    // table: the plain one leaves the caches, and the lookups miss them
    // half as often (twice the speed at 10,000,000 persons, the same at
    // 100,000, a few percent slower at 1000).
    static constexpr int packedFrom = 100'000;
    // Infections look for the target's later draws in chunks of this many.
    static constexpr int scanChunk = 32;
    static_assert(DrawBuffer::blockSize % scanChunk == 0);

    void estimateDifferingShare(const StatusCounts& counts) noexcept;
    [[nodiscard]] std::int64_t valuesWanted(std::int64_t encounters) const noexcept;
    [[nodiscard]] int walkPairs(int position, int pairs, int day) noexcept;
    [[nodiscard]] int encounterAt(int position, int day) noexcept;
    void infect(int position, int next, int day) noexcept;
    void prepareCodes() noexcept;
    void markInfectedFrom(int from, int person) noexcept;
    void setSingleCode(int i) noexcept;
    void setPairCode(int i) noexcept;

    EncounterRule rule_;
    Random::DrawScale scale_;
    std::int64_t allPairs_ = 1;
    std::int64_t differingPairs_ = 0;
    PersonTable* table_ = nullptr;
    DrawBuffer draws_;
    std::array<std::uint8_t, codeRoom> drawnStatus_{};
    std::array<std::uint8_t, codeRoom> singleCode_{};
    std::array<std::uint8_t, codeRoom> pairCode_{};
    std::array<int, DrawBuffer::capacity> hits_{};
};

}  // namespace pandemie
