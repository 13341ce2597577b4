#pragma once
// The measures of a run (outcomeTable) as options name them.

#include <string>

#include "model/parameters.h"

namespace pandemie::input {

// The names of outcomeTable, such as "peak_infected, peak_day or final_recovered".
[[nodiscard]] std::string outcomeList();

// One of outcomeTable's names; throws UsageError for any other text.
[[nodiscard]] Outcome parseMeasure(const std::string& text);

}  // namespace pandemie::input
