#pragma once
// The random source of the model: a small generator of our own, so that every
// machine and standard library draws the same sequence from the same seed.

#include <cstdint>

namespace pandemie {

// The one seed of the window's generator; the command-line tool defaults to it
// too, so both draw the same first run.
inline constexpr std::uint64_t windowSeed = 0x5EED'2020'C0F1'D019ULL;

// xoshiro128+ (period 2^128 - 1), its state expanded from a 64-bit seed by
// splitmix64. Only the top 24 bits of an output are used, the bits in which
// xoshiro128+ is strongest.
class Random {
public:
    constexpr Random() noexcept : Random(0) {}
    explicit constexpr Random(std::uint64_t seed) noexcept {
        for (auto& word : state_) {
            seed += 0x9E3779B97F4A7C15ULL;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
            word = static_cast<std::uint32_t>((z ^ (z >> 31U)) >> 32U);
        }
        // An all-zero state would stay zero forever.
        if ((state_[0] | state_[1] | state_[2] | state_[3]) == 0U) state_[0] = 1U;
    }

    // The next 24-bit value m; the uniform value it stands for is r = m / 2^24.
    [[nodiscard]] constexpr std::uint32_t next24() noexcept {
        const std::uint32_t result = state_[0] + state_[3];
        const std::uint32_t t = state_[1] << 9U;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = (state_[3] << 11U) | (state_[3] >> 21U);
        return result >> 8U;
    }

    // Single-precision r with 0 <= r < 1.
    [[nodiscard]] constexpr float nextFloat() noexcept { return static_cast<float>(next24()) * 0x1p-24F; }

    // A random whole number 0..1000: r * 1000 rounded to the nearest whole
    // number, ties to the even one. Done in integers, so the result is exact
    // and does not depend on the floating-point rounding mode.
    [[nodiscard]] constexpr std::int16_t wholeNumber0To1000() noexcept {
        return roundedThousandths(next24());
    }

    [[nodiscard]] static constexpr std::int16_t roundedThousandths(std::uint32_t m) noexcept {
        // r * 1000 = m * 1000 / 2^24 = m * 125 / 2^21, and m * 125 < 2^31:
        // 32-bit integers hold it exactly.
        const std::uint32_t scaled = m * 125U;
        const std::uint32_t whole = scaled >> 21U;
        const std::uint32_t fraction = scaled & 0x1F'FFFFU;
        constexpr std::uint32_t half = 0x10'0000U;
        // Up when above one half, or at one half with an odd whole part;
        // one comparison, so the compiler emits no branch.
        const std::uint32_t up = (fraction + (whole & 1U)) > half ? 1U : 0U;
        return static_cast<std::int16_t>(whole + up);
    }

    friend constexpr bool operator==(const Random&, const Random&) = default;

private:
    std::uint32_t state_[4]{};
};

}  // namespace pandemie
