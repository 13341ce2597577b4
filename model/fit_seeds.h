#pragma once
// The seeds of a fit: every proposal, run and draw has its own, made from
// the fit's seed, its stream, its generation and its index, so the result
// does not depend on how the work is spread.

#include <cstdint>

namespace pandemie {

// Independent streams of seeds: proposals, their runs, forecast draws,
// forecast runs, checks, and the counting of a run's cases.
enum class Stream : std::uint64_t { proposal, judgedRun, forecastDraw, forecastRun, checkRun, reporting };

[[nodiscard]] constexpr std::uint64_t seedOf(std::uint64_t base, Stream stream, std::uint64_t generation,
                                             std::uint64_t index) noexcept {
    std::uint64_t z = base ^ ((static_cast<std::uint64_t>(stream) << 56U) | (generation << 40U)) ^
                      (index * 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31U);
}

}  // namespace pandemie
