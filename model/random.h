#pragma once
// The random source of the model: a small generator of our own, so that every
// machine and standard library draws the same sequence from the same seed.

#include <array>
#include <cstdint>
#include <cstring>

namespace pandemie {

// The one seed of the window's generator; the command-line tool defaults to it
// too, so both draw the same first run. Its first run is a typical course, not
// one of the few in which the three first cases infect nobody.
inline constexpr std::uint64_t windowSeed = 0x5EED'2020'C0F1'D01AULL;

// Four xoshiro128+ streams (each of period 2^128 - 1) taken in turn: value n
// comes from stream n mod 4. The four steps of a round are independent, so a
// bulk draw runs them side by side in vector registers. The 16 state words
// are expanded from a 64-bit seed by splitmix64. The top 24 bits of an
// output are used, the bits in which xoshiro128+ is strongest, and below
// them 8 more only to draw persons of populations past a million, whom 24
// bits cannot draw evenly.
class Random {
public:
    static constexpr int lanes = 4;

    constexpr Random() noexcept : Random(0) {}
    explicit constexpr Random(std::uint64_t seed) noexcept {
        for (auto& word : state_) {
            for (auto& lane : word) {
                seed += 0x9E3779B97F4A7C15ULL;
                std::uint64_t z = seed;
                z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
                z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
                lane = static_cast<std::uint32_t>((z ^ (z >> 31U)) >> 32U);
            }
        }
        // An all-zero stream would stay zero forever.
        for (int lane = 0; lane < lanes; ++lane) {
            const auto l = static_cast<std::size_t>(lane);
            if ((state_[0][l] | state_[1][l] | state_[2][l] | state_[3][l]) == 0U) state_[0][l] = 1U;
        }
    }

    // The next 24-bit value m; the uniform value it stands for is r = m / 2^24.
    [[nodiscard]] constexpr std::uint32_t next24() noexcept { return next32() >> 8U; }

    // The same value with the 8 bits below: r = x / 2^32, for draws among
    // more values than 24 bits tell apart.
    [[nodiscard]] constexpr std::uint32_t next32() noexcept {
        if (used_ == lanes) {
            pending_ = stepRound();
            used_ = 0;
        }
        return pending_[static_cast<std::size_t>(used_++)];
    }

    // A uniform value in [0, 1) from the next two values, 48 bits in all.
    [[nodiscard]] constexpr double nextUnit() noexcept {
        const std::uint64_t high = next24();
        const std::uint64_t low = next24();
        return static_cast<double>((high << 24U) | low) * 0x1p-48;
    }

    // A random whole number 0..1000: r * 1000 rounded to the nearest whole
    // number, ties to the even one. Done in integers, so the result is exact
    // and does not depend on the floating-point rounding mode.
    [[nodiscard]] constexpr std::int16_t wholeNumber0To1000() noexcept {
        return roundedThousandths(next24());
    }

    [[nodiscard]] static constexpr std::int16_t roundedThousandths(std::uint32_t m) noexcept {
        // r * 1000 = m * 1000 / 2^24 = m * 125 / 2^21, and m * 125 < 2^31:
        // 32-bit integers hold it exactly.
        return static_cast<std::int16_t>(roundHalfEven21(m * 125U));
    }

    // A random whole number 0..persons from the 24-bit value m: r * persons
    // rounded to the nearest whole number, ties to the even one; for 1000
    // persons the same as roundedThousandths. m * persons < 2^48: exact in
    // 64-bit integers.
    [[nodiscard]] static constexpr std::int32_t roundedPersons(std::uint32_t m,
                                                               std::uint32_t persons) noexcept {
        const std::uint64_t x = std::uint64_t{m} * persons;
        return static_cast<std::int32_t>((x + belowHalf24 + ((x >> 24U) & 1U)) >> 24U);
    }

    // Above this many persons 24 bits would draw some persons by one value
    // and others by two; their draws take all 32 bits of the value.
    static constexpr std::uint32_t mostPersonsOf24Bits = 1U << 20U;

    // The same from the 32-bit value x: x * persons < 2^56.
    [[nodiscard]] static constexpr std::int32_t roundedPersons32(std::uint32_t x,
                                                                 std::uint32_t persons) noexcept {
        const std::uint64_t y = std::uint64_t{x} * persons;
        return static_cast<std::int32_t>((y + belowHalf32 + ((y >> 32U) & 1U)) >> 32U);
    }

    // The person 0..persons that the value x draws.
    [[nodiscard]] static constexpr std::int32_t personOf(std::uint32_t x, std::uint32_t persons) noexcept {
        return persons > mostPersonsOf24Bits ? roundedPersons32(x, persons)
                                             : roundedPersons(x >> 8U, persons);
    }

    // The smallest 24-bit value whose rounded thousandths are at least
    // `threshold`: an infection draw d has d < threshold exactly when its
    // value lies below this one. 2^24 where no value reaches the threshold.
    [[nodiscard]] static constexpr std::uint32_t lowestValueReaching(int threshold) noexcept {
        std::uint32_t low = 0;
        std::uint32_t high = 1U << 24U;  // values below low fall short; high reaches, or is 2^24
        while (low < high) {
            const std::uint32_t middle = low + (high - low) / 2;
            if (roundedThousandths(middle) >= threshold) {
                high = middle;
            } else {
                low = middle + 1;
            }
        }
        return low;
    }

    // The next `count` whole numbers 0..1000, exactly as `count` calls of
    // wholeNumber0To1000 would give them, but whole rounds at a time.
    void fillWholeNumbers(std::int16_t* out, int count) noexcept {
        int i = 0;
        for (; i < count && used_ < lanes; ++i) out[i] = wholeNumber0To1000();
        if (i < count) {
            i += fillRounds((count - i) / lanes, [&](int at, const Wide& x, int values) {
                const Wide scaled = (x >> 8U) * 125U;  // roundedThousandths, eight at a time
                const auto rounded =
                    __builtin_convertvector((scaled + belowHalf + ((scaled >> 21U) & 1U)) >> 21U, WideShorts);
                std::memcpy(out + i + at, &rounded,
                            values == 2 * lanes ? sizeof rounded : sizeof rounded / 2);
            });
        }
        for (; i < count; ++i) out[i] = wholeNumber0To1000();
    }

    // How the draws of an encounter are read: persons over 0..persons, and
    // the infection draw by whether it lies below a threshold.
    struct DrawScale {
        std::uint32_t persons = 1000;
        std::uint32_t lowBelow = 0;  // lowestValueReaching(threshold)
    };

    // The next `count` values, each as the person it draws and as whether
    // it is an infection draw below the threshold (1 or 0): the values
    // `count` calls of next32 would give.
    [[gnu::always_inline]] void fillDraws(std::int32_t* persons, std::uint8_t* low, int count,
                                          const DrawScale& scale) noexcept {
        const auto single = [&](int at) {
            const std::uint32_t x = next32();
            persons[at] = personOf(x, scale.persons);
            low[at] = (x >> 8U) < scale.lowBelow ? 1 : 0;
        };
        int i = 0;
        for (; i < count && used_ < lanes; ++i) single(i);
        if (i < count) {
            const auto store = [&](int at, const Wide& x, const WideInts& drawn, int values) {
                const auto isLow = __builtin_convertvector(-((x >> 8U) < scale.lowBelow), WideBytes);
                // Whole vectors where they fit, so the copies stay in registers.
                if (values == 2 * lanes) {
                    std::memcpy(persons + i + at, &drawn, sizeof drawn);
                    std::memcpy(low + i + at, &isLow, sizeof isLow);
                } else {
                    std::memcpy(persons + i + at, &drawn, sizeof drawn / 2);
                    std::memcpy(low + i + at, &isLow, sizeof isLow / 2);
                }
            };
            const int rounds = (count - i) / lanes;
            // Persons a multiple of 8 below 2048: m * persons / 8 < 2^32, so
            // 32-bit lanes hold the product.
            if (const std::uint32_t eighth = scale.persons / 8; scale.persons % 8 == 0 && eighth < 256) {
                i += fillRounds(rounds, [&](int at, const Wide& x, int values) {
                    const Wide y = (x >> 8U) * eighth;
                    store(at, x,
                          __builtin_convertvector((y + belowHalf + ((y >> 21U) & 1U)) >> 21U, WideInts),
                          values);
                });
            } else if (scale.persons <= mostPersonsOf24Bits) {
                i += fillRounds(rounds, [&](int at, const Wide& x, int values) {
                    const WideLongs y =
                        __builtin_convertvector(x >> 8U, WideLongs) * std::uint64_t{scale.persons};
                    store(at, x,
                          __builtin_convertvector((y + belowHalf24 + ((y >> 24U) & 1U)) >> 24U, WideInts),
                          values);
                });
            } else {
                i += fillRounds(rounds, [&](int at, const Wide& x, int values) {
                    const WideLongs y = __builtin_convertvector(x, WideLongs) * std::uint64_t{scale.persons};
                    store(at, x,
                          __builtin_convertvector((y + belowHalf32 + ((y >> 32U) & 1U)) >> 32U, WideInts),
                          values);
                });
            }
        }
        for (; i < count; ++i) single(i);
    }

    friend constexpr bool operator==(const Random&, const Random&) = default;

private:
    using Round = std::array<std::uint32_t, lanes>;

    // One step of each stream; their outputs.
    constexpr Round stepRound() noexcept {
        auto& [s0, s1, s2, s3] = state_;
        Round out{};
        for (std::size_t l = 0; l < lanes; ++l) {
            out[l] = s0[l] + s3[l];
            const std::uint32_t t = s1[l] << 9U;
            s2[l] ^= s0[l];
            s3[l] ^= s1[l];
            s1[l] ^= s2[l];
            s0[l] ^= s3[l];
            s2[l] ^= t;
            s3[l] = (s3[l] << 11U) | (s3[l] >> 21U);
        }
        return out;
    }

    // x / 2^21 rounded to the nearest whole number, ties to the even one: a
    // fraction above one half, or of one half with an odd whole part, carries
    // into the whole part. Shifts and adds only, so it runs in vector code.
    static constexpr std::uint32_t belowHalf = 0xF'FFFFU;
    [[nodiscard]] static constexpr std::uint32_t roundHalfEven21(std::uint32_t x) noexcept {
        return (x + belowHalf + ((x >> 21U) & 1U)) >> 21U;
    }

    using Vector = std::uint32_t __attribute__((vector_size(16)));
    using Wide = std::uint32_t __attribute__((vector_size(32)));
    using WideLongs = std::uint64_t __attribute__((vector_size(64)));
    using WideInts = std::int32_t __attribute__((vector_size(32)));
    using WideShorts = std::int16_t __attribute__((vector_size(16)));
    using WideBytes = std::uint8_t __attribute__((vector_size(8)));
    static constexpr std::uint64_t belowHalf24 = 0x7F'FFFFU;
    static constexpr std::uint64_t belowHalf32 = 0x7FFF'FFFFU;

    // `rounds` rounds of values, in vector registers, two rounds at a time:
    // store(at, x, n) takes the eight 32-bit values x of rounds at / 4 and
    // the one after, of which the first n count (four for an odd last round).
    // Returns the number of values handed out; nothing is left pending.
    template <class Store>
    [[gnu::always_inline]] int fillRounds(int rounds, Store&& store) noexcept {
        Vector s0;
        Vector s1;
        Vector s2;
        Vector s3;
        std::memcpy(&s0, state_[0].data(), sizeof s0);
        std::memcpy(&s1, state_[1].data(), sizeof s1);
        std::memcpy(&s2, state_[2].data(), sizeof s2);
        std::memcpy(&s3, state_[3].data(), sizeof s3);
        const auto step = [&] {
            const Vector m = s0 + s3;
            const Vector t = s1 << 9U;
            s2 ^= s0;
            s3 ^= s1;
            s1 ^= s2;
            s0 ^= s3;
            s2 ^= t;
            s3 = (s3 << 11U) | (s3 >> 21U);
            return m;
        };
        Vector last{};
        for (int r = 0; r < rounds; r += 2) {
            const Vector first = step();
            last = r + 1 < rounds ? step() : first;
            const Wide x = __builtin_shufflevector(first, last, 0, 1, 2, 3, 4, 5, 6, 7);
            store(r * lanes, x, r + 1 < rounds ? 2 * lanes : lanes);
        }
        std::memcpy(state_[0].data(), &s0, sizeof s0);
        std::memcpy(state_[1].data(), &s1, sizeof s1);
        std::memcpy(state_[2].data(), &s2, sizeof s2);
        std::memcpy(state_[3].data(), &s3, sizeof s3);
        // All handed out, but kept as next32 keeps them, so equal states compare equal.
        if (rounds > 0) std::memcpy(pending_.data(), &last, sizeof last);
        return rounds * lanes;
    }

    std::array<Round, 4> state_{};  // state word w of stream l is state_[w][l]
    Round pending_{};               // the outputs of the last round
    int used_ = lanes;              // how many of them next32 has handed out
};

}  // namespace pandemie
