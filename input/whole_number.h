#pragma once
// Whole-number options: plain decimal digits only, checked against a range, so
// "5x", "2.5", "-1", "0x10" and "" are refused with a message naming the range.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "model/ensemble.h"
#include "model/model.h"

namespace pandemie::input {

struct WholeRange {
    std::uint64_t min = 0;
    std::uint64_t max = 0;
};

// The value of text, or nothing when text is not decimal digits or lies outside range.
[[nodiscard]] std::optional<std::uint64_t> parseWholeNumber(std::string_view text, WholeRange range) noexcept;

// "\"25\" is not a whole number in 0..20"
[[nodiscard]] std::string notInRangeMessage(std::string_view text, WholeRange range);

// "0..20"
[[nodiscard]] std::string rangeText(WholeRange range);

// The value of text; throws UsageError with notInRangeMessage.
[[nodiscard]] std::uint64_t wholeNumberIn(std::string_view text, WholeRange range);

// The ranges of the whole numbers the tool and the module take besides the
// parameters, whose ranges are the tool's (wholeRange).
inline constexpr WholeRange seedRange{0, std::numeric_limits<std::uint64_t>::max()};
inline constexpr WholeRange runsRange{1, 1'000'000};
inline constexpr WholeRange pressRange{1, 100'000};
inline constexpr WholeRange threadsRange{1, mostThreads};
inline constexpr WholeRange populationRange{static_cast<std::uint64_t>(scopeLimits.minPersons),
                                            static_cast<std::uint64_t>(scopeLimits.maxPersons)};
inline constexpr WholeRange daysRange{1, static_cast<std::uint64_t>(scopeLimits.maxDays)};

// The first cases a population of `persons` (10 or more) takes: 1..N/2-2.
[[nodiscard]] constexpr WholeRange initialCasesRange(int persons) noexcept {
    return {static_cast<std::uint64_t>(scopeLimits.minInitialCases),
            static_cast<std::uint64_t>(mostInitialCases(persons))};
}

// The days of a run of `days` days: 1..D.
[[nodiscard]] constexpr WholeRange dayRangeOf(int days) noexcept {
    return {1, static_cast<std::uint64_t>(days)};
}

}  // namespace pandemie::input
