#include "model.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The passes over whole buffers run in wider vectors where the processor has
// them; the results are the same integers either way.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define PANDEMIE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define PANDEMIE_VECTOR_CLONES
#endif

namespace pandemie {

namespace {

// The smallest whole number n with d < t equivalent to d < n for every draw d
// in 0..1000; a NaN threshold lets nothing through, like the comparison.
int wholeNumberThreshold(float t) noexcept {
    if (!(t > 0)) return 0;
    if (t > 1001) return 1001;
    return static_cast<int>(std::ceil(t));
}

}  // namespace

Epidemic::Epidemic(const Parameters& parameters, Random& random) noexcept
    : parameters_(parameters),
      random_(random),
      threshold_(wholeNumberThreshold(parameters.infectionPerMille)) {
    for (const int person : initialCases) personTable_.status[static_cast<std::size_t>(person)] = infected;
}

void Epidemic::setParameters(const Parameters& parameters) noexcept {
    parameters_ = parameters;
    threshold_ = wholeNumberThreshold(parameters.infectionPerMille);
}

void Epidemic::simulateDay(int day) noexcept {
    encounterStep(day);
    recoveryStep(day);
    dailyTally();
}

// The draws come from a buffer; an encounter uses two of them, and a third,
// the infection draw, only when the two statuses differ, exactly as if they
// were drawn one by one.
//
// Where the next encounter starts depends on the statuses in this one: a
// chain through every encounter of the day. To keep it short the buffer
// carries, for every position, the status of the person drawn there and
// codes derived from it: how many values an encounter starting there takes,
// and how many the two encounters starting there take together. The walk
// then goes two encounters a step with one load. Most encounters cannot
// infect (equal statuses, or a draw too high); the codes flag those that
// may, and only those are looked at one by one. An infection changes the
// status of one person, and with it the codes of the positions still ahead.
void Epidemic::encounterStep(int day) noexcept {
    const int encounters = parameters_.encountersPerDay * 1000;
    int position = 0;
    loadDraws(random_, std::int64_t{3} * encounters);
    for (int remaining = encounters; remaining > 0;) {
        Walk walk;
        // Two encounters take at most six values, one at most three.
        for (;;) {
            const int room = draws_.size() - position;
            if (const int pairs = std::min(remaining / 2, room / 6); pairs > 0) {
                remaining -= 2 * pairs;
                position = walkPairs(position, pairs, day, walk);
            } else if (const int singles = std::min(remaining, room / 3); singles > 0) {
                remaining -= singles;
                for (int n = 0; n < singles; ++n) position = encounterAt(position, day, walk);
            } else {
                break;
            }
        }
        recordLastEncounter(walk);
        if (remaining > 0) {
            loadDraws(draws_.stateAt(position), std::int64_t{3} * remaining);
            position = 0;
        }
    }
    random_ = draws_.stateAt(position);
}

int Epidemic::walkPairs(int position, int pairs, int day, Walk& walk) noexcept {
    const std::uint8_t* const codes = pairCode_.data();
    for (int n = 0; n < pairs; ++n) {
        const int code = codes[position];
        if ((code & 0x80) != 0) [[unlikely]] {
            position = encounterAt(position, day, walk);
            position = encounterAt(position, day, walk);
            continue;
        }
        walk.lastPair = position;
        walk.lastPairWithDraw = (code & 7) > 4 ? position : walk.lastPairWithDraw;
        position += code & 7;
    }
    return position;
}

int Epidemic::encounterAt(int position, int day, Walk& walk) noexcept {
    const int code = singleCode_[static_cast<std::size_t>(position)];
    const int taken = code & 3;
    walk.lastSingle = position;
    if (taken == 3) walk.lastSingleDraw = position;
    if ((code & 4) != 0) [[unlikely]]
        infect(position, taken, day);
    return position + taken;
}

// One infected and one not infected person with a low enough draw: the
// infection passes on if the infected one is past the latency.
void Epidemic::infect(int position, int taken, int day) noexcept {
    const std::int16_t* const values = draws_.data();
    const bool firstInfects = drawnStatus_[static_cast<std::size_t>(position)] == infected;
    const auto infector = static_cast<std::size_t>(values[position + (firstInfects ? 0 : 1)]);
    const auto target = static_cast<std::size_t>(values[position + (firstInfects ? 1 : 0)]);
    if (day - personTable_.infectionDay[infector] <= parameters_.latencyDays) return;
    personTable_.status[target] = infected;
    personTable_.infectionDay[target] = static_cast<std::int16_t>(day);
    markInfectedInDraws(position + taken, static_cast<int>(target));
    refreshCodes(position + taken);
}

void Epidemic::recordLastEncounter(const Walk& walk) noexcept {
    const std::int16_t* const values = draws_.data();
    const auto taken = [&](int start) { return singleCode_[static_cast<std::size_t>(start)] & 3; };
    int last = walk.lastSingle;
    if (walk.lastPair >= 0) last = std::max(last, walk.lastPair + taken(walk.lastPair));
    int lastDraw = walk.lastSingleDraw;
    if (walk.lastPairWithDraw >= 0) {
        const int first = walk.lastPairWithDraw;
        const int second = first + taken(first);
        lastDraw = std::max(lastDraw, taken(second) == 3 ? second : first);
    }
    if (last >= 0) {
        personA = values[last];
        personB = values[last + 1];
    }
    if (lastDraw >= 0) infectionDraw = values[lastDraw + 2];
}

PANDEMIE_VECTOR_CLONES void Epidemic::loadDraws(const Random& start, std::int64_t wanted) noexcept {
    draws_.fill(start, wanted);
    // Local pointers: the byte stores could otherwise alias every member and
    // force reloads on each step.
    const std::int16_t* const values = draws_.data();
    const std::uint8_t* const status = personTable_.status.data();
    std::uint8_t* const drawn = drawnStatus_.data();
    const int size = draws_.size();
    // Sixteen statuses gathered in a register-sized scratch, then stored at once.
    for (int i = 0; i < size; i += 16) {
        std::array<std::uint8_t, 16> chunk;
        for (std::size_t k = 0; k < chunk.size(); ++k)
            chunk[k] = status[values[static_cast<std::size_t>(i) + k]];
        std::memcpy(drawn + i, chunk.data(), chunk.size());
    }
    refreshCodes(0);
}

PANDEMIE_VECTOR_CLONES void Epidemic::markInfectedInDraws(int from, int person) noexcept {
    const std::int16_t* const values = draws_.data();
    std::uint8_t* const drawn = drawnStatus_.data();
    const int size = draws_.size();
    const auto wanted = static_cast<std::int16_t>(person);
    // A store on every entry, so that the loop runs in vector code.
    for (int i = from; i < size; ++i) drawn[i] = values[i] == wanted ? std::uint8_t{infected} : drawn[i];
}

PANDEMIE_VECTOR_CLONES void Epidemic::refreshCodes(int from) noexcept {
    const std::int16_t* const values = draws_.data();
    const std::uint8_t* const drawn = drawnStatus_.data();
    std::uint8_t* const single = singleCode_.data();
    std::uint8_t* const pair = pairCode_.data();
    const int size = draws_.size();
    const int threshold = threshold_;
    for (int i = from; i < size; ++i) {
        const int differ = static_cast<int>(drawn[i] != drawn[i + 1]);
        // Only a pair of one infected and one not infected person can pass
        // the infection on, and then only one way.
        const int mayInfect = static_cast<int>(drawn[i] + drawn[i + 1] == notInfected + infected) &
                              static_cast<int>(values[i + 2] < threshold);
        single[i] = static_cast<std::uint8_t>(2 + differ + (mayInfect << 2));
    }
    for (int i = from; i < size; ++i) {
        const int first = single[i];
        // The second encounter starts at i + 2 or, when the first takes
        // three values, at i + 3; chosen by a mask, so the loop runs in vector code.
        const int afterTwo = single[i + 2];
        const int second = afterTwo ^ ((afterTwo ^ single[i + 3]) & -(first & 1));
        pair[i] = static_cast<std::uint8_t>(((first & 3) + (second & 3)) | (((first | second) & 4) << 5));
    }
}

void Epidemic::recoveryStep(int day) noexcept {
    for (std::size_t k = 1; k < personCount; ++k) {
        if (personTable_.status[k] == infected &&
            day - personTable_.infectionDay[k] >= parameters_.recoveryDays)
            personTable_.status[k] = recovered;
    }
}

void Epidemic::dailyTally() noexcept {
    std::array<int, 3> perStatus{};
    for (std::size_t k = 1; k < personCount; ++k) ++perStatus[personTable_.status[k]];
    counts_ = {perStatus[notInfected], perStatus[infected], perStatus[recovered]};
}

Trajectory runTrajectory(const Parameters& parameters, Random& random) {
    Trajectory trajectory{};
    runLinear(parameters, random, [&](int day, const DailyCounts& counts) {
        trajectory[static_cast<std::size_t>(day - 1)] = counts;
    });
    return trajectory;
}

}  // namespace pandemie
