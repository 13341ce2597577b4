#pragma once
// Whole-number options: plain decimal digits only, checked against a range, so
// "5x", "2.5", "-1", "0x10" and "" are refused with a message naming the range.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/option_parser.h"

namespace pandemie::cli {

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

// The value of text; throws io::UsageError with notInRangeMessage.
[[nodiscard]] std::uint64_t wholeNumberIn(std::string_view text, WholeRange range);

// --name N, stored in target; the help shows the range and the default:
// target's current value unless defaultText says otherwise.
template <typename Integer>
[[nodiscard]] OptionDefinition wholeNumberOption(std::string name, Integer& target, WholeRange range,
                                                 const std::string& description,
                                                 const std::string& defaultText = {}) {
    std::string help = description + " (" + rangeText(range) + ", default " +
                       (defaultText.empty() ? std::to_string(target) : defaultText) + ")";
    return {std::move(name),
            "",
            "N",
            std::move(help),
            Arity::once,
            [&target, range](const std::string& text) {
                target = static_cast<Integer>(wholeNumberIn(text, range));
            },
            "; expected a whole number in " + rangeText(range)};
}

}  // namespace pandemie::cli
