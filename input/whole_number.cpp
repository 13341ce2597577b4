#include "input/whole_number.h"
#include "model/ensemble.h"

#include <algorithm>
#include <charconv>

#include "input/quoted.h"
#include "input/usage_error.h"

namespace pandemie::input {

std::optional<std::uint64_t> parseWholeNumber(std::string_view text, WholeRange range) noexcept {
    // from_chars alone would accept a leading '-' and stop at trailing junk.
    const bool allDigits =
        !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
    if (!allDigits) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    if (value < range.min || value > range.max) return std::nullopt;
    return value;
}

std::string notInRangeMessage(std::string_view text, WholeRange range) {
    return quotedValue(text) + " is not a whole number in " + rangeText(range);
}

std::string rangeText(WholeRange range) {
    return std::to_string(range.min) + ".." + std::to_string(range.max);
}

std::uint64_t wholeNumberIn(std::string_view text, WholeRange range) {
    const auto value = parseWholeNumber(text, range);
    if (!value) throw UsageError(notInRangeMessage(text, range));
    return *value;
}

}  // namespace pandemie::input
