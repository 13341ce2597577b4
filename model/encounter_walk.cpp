#include "model/encounter_walk.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "model/vector_clones.h"

namespace pandemie {

void EncounterWalk::walk(std::int64_t encounters, int day, const EncounterRule& rule,
                         const StatusCounts& counts, PersonTable& table, Random& random) noexcept {
    if (encounters <= 0) return;
    rule_ = rule;
    table_ = &table;
    scale_ = {static_cast<std::uint32_t>(table.counted()), Random::lowestValueReaching(rule.threshold)};
    estimateDifferingShare(counts);
    int position = 0;
    draws_.fill(random, valuesWanted(encounters), scale_);
    prepareCodes();
    for (std::int64_t remaining = encounters; remaining > 0;) {
        // Only codes whose values lie inside the buffer are read: two
        // encounters take at most six values, one at most three.
        for (;;) {
            const int room = draws_.size() - position;
            if (const int pairs =
                    static_cast<int>(std::min<std::int64_t>(remaining / 2, room / pairMaxValues));
                pairs > 0) {
                remaining -= std::int64_t{2} * pairs;
                position = walkPairs(position, pairs, day);
            } else if (const int singles =
                           static_cast<int>(std::min<std::int64_t>(remaining, room / singleMaxValues));
                       singles > 0) {
                remaining -= singles;
                for (int n = 0; n < singles; ++n) position = encounterAt(position, day);
            } else {
                break;
            }
        }
        if (remaining > 0) {
            draws_.fill(draws_.stateAt(position), valuesWanted(remaining), scale_);
            prepareCodes();
            position = 0;
        }
    }
    random = draws_.stateAt(position);
}

// The share of draws of two persons whose statuses differ, as the table
// stands at the start of the day, in parts of all pairs.
void EncounterWalk::estimateDifferingShare(const StatusCounts& counts) noexcept {
    const std::int64_t persons = std::ssize(table_->status);
    allPairs_ = persons * persons;
    differingPairs_ = allPairs_;
    for (const std::int64_t count : counts) differingPairs_ -= count * count;
}

// Two values an encounter and a third where the statuses differ, as many as
// the day's statuses lead to expect, and a margin for the infections of the
// day and for chance: too few cost a second, short buffer; too many the time
// to draw and code them.
std::int64_t EncounterWalk::valuesWanted(std::int64_t encounters) const noexcept {
    constexpr std::int64_t margin = 128;
    // Both below 2^62 for a day's encounters of the largest population.
    const std::int64_t expected =
        2 * encounters +
        static_cast<std::int64_t>(static_cast<double>(encounters) * static_cast<double>(differingPairs_) /
                                  static_cast<double>(allPairs_));
    return std::min(std::int64_t{singleMaxValues} * encounters, expected + margin);
}

int EncounterWalk::walkPairs(int position, int pairs, int day) noexcept {
    assert(position + pairs * pairMaxValues <= draws_.size());
    const std::uint8_t* const codes = pairCode_.data();
    for (int n = 0; n < pairs; ++n) {
        const int code = codes[position];
        if ((code & mayInfect) != 0) [[unlikely]] {
            position = encounterAt(position, day);
            position = encounterAt(position, day);
        } else {
            position += code & valuesTaken;
        }
    }
    return position;
}

int EncounterWalk::encounterAt(int position, int day) noexcept {
    assert(position + singleMaxValues <= draws_.size());
    const int code = singleCode_[static_cast<std::size_t>(position)];
    const int next = position + (code & valuesTaken);
    if ((code & mayInfect) != 0) [[unlikely]]
        infect(position, next, day);
    return next;
}

// One infected and one not infected person with a low enough draw: the
// infection passes on if the infected one is past the latency.
void EncounterWalk::infect(int position, int next, int day) noexcept {
    const std::int32_t* const values = draws_.persons();
    const bool firstInfects = drawnStatus_[static_cast<std::size_t>(position)] == infected;
    const auto infector = static_cast<std::size_t>(values[position + (firstInfects ? 0 : 1)]);
    const auto target = static_cast<std::size_t>(values[position + (firstInfects ? 1 : 0)]);
    if (day - table_->infectionDay[infector] <= rule_.latencyDays) return;
    table_->infect(static_cast<std::int32_t>(target), day);
    markInfectedFrom(next, static_cast<int>(target));
}

PANDEMIE_VECTOR_CLONES void EncounterWalk::prepareCodes() noexcept {
    // Local pointers: the byte stores could otherwise alias every member and
    // force reloads on each step.
    const std::int32_t* const values = draws_.persons();
    const std::uint8_t* const low = draws_.low();
    std::uint8_t* const drawn = drawnStatus_.data();
    std::uint8_t* const single = singleCode_.data();
    std::uint8_t* const pair = pairCode_.data();
    const int size = draws_.size();
    // Eight statuses, one 64-bit register, gathered in a scratch, then stored at once.
    static_assert((DrawBuffer::capacity + DrawBuffer::padding) % 8 == 0);
    const auto gatherStatuses = [&](auto statusOf) {
        for (int i = 0; i < size + DrawBuffer::padding; i += 8) {
            std::array<std::uint8_t, 8> chunk;
            for (std::size_t k = 0; k < chunk.size(); ++k)
                chunk[k] = statusOf(values[static_cast<std::size_t>(i) + k]);
            std::memcpy(drawn + i, chunk.data(), chunk.size());
        }
    };
    if (table_->counted() < packedFrom) {
        const std::uint8_t* const status = table_->status.data();
        gatherStatuses([status](std::int32_t person) { return status[person]; });
    } else {
        const std::uint8_t* const packed = table_->packedStatus.data();
        gatherStatuses([packed](std::int32_t person) { return PersonTable::packedStatusOf(packed, person); });
    }
    for (int i = 0; i < size + readAhead - 2; ++i) {
        const int differ = static_cast<int>(drawn[i] != drawn[i + 1]);
        // Only a pair of one infected and one not infected person can pass
        // the infection on, and then only one way.
        const int canInfect = static_cast<int>(drawn[i] + drawn[i + 1] == notInfected + infected) &
                              static_cast<int>(low[i + 2]);
        single[i] = static_cast<std::uint8_t>((2 + differ) | (canInfect * mayInfect));
    }
    for (int i = 0; i < size; ++i) {
        const int first = single[i];
        // The second encounter starts at i + 2 or, when the first takes
        // three values, at i + 3; chosen by a mask, so the loop runs in vector code.
        const int afterTwo = single[i + 2];
        const int second = afterTwo ^ ((afterTwo ^ single[i + 3]) & -(first & 1));
        pair[i] = static_cast<std::uint8_t>(((first & valuesTaken) + (second & valuesTaken)) |
                                            ((first | second) & mayInfect));
    }
}

void EncounterWalk::setSingleCode(int i) noexcept {
    const auto at = static_cast<std::size_t>(i);
    const int first = drawnStatus_[at];
    const int second = drawnStatus_[at + 1];
    const bool canInfect = first + second == notInfected + infected && draws_.low()[i + 2] != 0;
    singleCode_[at] = static_cast<std::uint8_t>((first != second ? 3 : 2) | (canInfect ? mayInfect : 0));
}

void EncounterWalk::setPairCode(int i) noexcept {
    const auto at = static_cast<std::size_t>(i);
    const int first = singleCode_[at];
    const int second = singleCode_[at + static_cast<std::size_t>(first & valuesTaken)];
    pairCode_[at] = static_cast<std::uint8_t>(((first & valuesTaken) + (second & valuesTaken)) |
                                              ((first | second) & mayInfect));
}

// The person's status in the draws from `from` on, and the codes that read
// it: the single codes of the draw and the one before, the pair codes of the
// draw and the four before.
PANDEMIE_VECTOR_CLONES void EncounterWalk::markInfectedFrom(int from, int person) noexcept {
    const std::int32_t* const values = draws_.persons();
    const int size = draws_.size();
    const std::int32_t wanted = person;
    int hitCount = 0;
    for (int chunk = from - from % scanChunk; chunk < size; chunk += scanChunk) {
        int any = 0;
        for (int k = 0; k < scanChunk; ++k) any |= static_cast<int>(values[chunk + k] == wanted);
        if (any == 0) continue;
        for (int q = std::max(chunk, from); q < chunk + scanChunk; ++q) {
            if (values[q] != wanted) continue;
            drawnStatus_[static_cast<std::size_t>(q)] = infected;
            hits_[static_cast<std::size_t>(hitCount++)] = q;
        }
    }
    for (int h = 0; h < hitCount; ++h) {
        const int q = hits_[static_cast<std::size_t>(h)];
        for (int i = std::max(from, q - 1); i <= q; ++i) setSingleCode(i);
    }
    for (int h = 0; h < hitCount; ++h) {
        const int q = hits_[static_cast<std::size_t>(h)];
        for (int i = std::max(from, q - 4); i <= q; ++i) setPairCode(i);
    }
}

}  // namespace pandemie
