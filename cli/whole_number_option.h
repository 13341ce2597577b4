#pragma once
// Whole-number options of the command line, checked as input/whole_number.h
// checks them.

#include <string>

#include "cli/option_parser.h"
#include "input/whole_number.h"

namespace pandemie::cli {

using input::rangeText;
using input::wholeNumberIn;
using input::WholeRange;

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
