#pragma once
// The scenario file (--scenarios): TOML with [[scenario]] tables.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "input/dates.h"
#include "input/usage_error.h"
#include "model/scenario.h"

namespace pandemie::input {

// Limits far beyond any written file, checked before the TOML parser sees
// the text: the parser recurses once per part of a dotted key, so a key of
// thousands of parts would overflow the stack. 64 MiB hold 160,000 scenarios
// of 400 bytes each.
inline constexpr std::size_t maxScenarioFileBytes = std::size_t{64} << 20U;
inline constexpr int maxScenarioNesting = 32;  // open brackets and braces plus dots of a key

// The scenarios of a TOML file: [[scenario]] tables with a name, parameters
// (those left out from defaults) and [[scenario.change]] tables with a day
// (or, where the data have dates, a date) and new values. Errors name
// --scenarios, the file ("standard input" for the path "-", which reads
// it) and the line. Values take the tool's ranges
// (toolRange), days 1..lastDay.
[[nodiscard]] std::vector<Scenario> loadScenarios(const std::string& path, const Parameters& defaults,
                                                  const DayReading& days = {});

// The same from the file's text, for callers that hold it in memory (the
// fuzzing of the parser, for one): the scenarios of text, the contents of the file at path (which messages
// name); throws UsageError as loadScenarios does.
[[nodiscard]] std::vector<Scenario> scenariosFromText(std::string_view text, const std::string& path,
                                                      const Parameters& defaults,
                                                      const DayReading& days = {});

}  // namespace pandemie::input
