#pragma once
// Whole-number options: plain decimal digits only, checked against a range, so
// "5x", "2.5", "-1", "0x10" and "" are refused with a message naming the range.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

namespace pandemie::cli {

struct WholeRange {
    std::uint64_t min = 0;
    std::uint64_t max = 0;
};

// The value of text, or nothing when text is not decimal digits or lies outside range.
[[nodiscard]] std::optional<std::uint64_t> parseWholeNumber(std::string_view text, WholeRange range) noexcept;

// "25 is not a whole number in 0..20"
[[nodiscard]] std::string notInRangeMessage(std::string_view text, WholeRange range);

[[nodiscard]] CLI::Validator wholeNumberIn(WholeRange range);

// "0..20"
[[nodiscard]] std::string rangeText(WholeRange range);

// Adds --name, whose value is stored in target; the help shows the range and
// the default: target's current value unless defaultText says otherwise.
// Given twice, the last value counts.
template <typename Integer>
CLI::Option* addWholeNumberOption(CLI::App& app, const std::string& name, Integer& target, WholeRange range,
                                  const std::string& description, const std::string& defaultText = {}) {
    auto store = [&target, range](const std::string& text) {
        target = static_cast<Integer>(*parseWholeNumber(text, range));  // the validator has run
    };
    const std::string help = description + " (" + rangeText(range) + ", default " +
                             (defaultText.empty() ? std::to_string(target) : defaultText) + ")";
    return app.add_option_function<std::string>(name, store, help)
        ->check(wholeNumberIn(range))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->type_name("N");
}

}  // namespace pandemie::cli
