#pragma once
// The counts of a file of observed days (`--observed`), as a fit reads them:
// CSV with a header row naming the column day or date and one or more of the
// series' columns (observedSeriesNames, or cumulative_cases in place of
// new_cases), in any order. Files from spreadsheets are read as they are
// written: a byte order mark, CRLF or lone CR line ends, double-quoted
// cells, `#` comment lines, the separator the header holds (`;` with decimal
// commas, a tab, or a comma) for every line, and dates as 20.11.2015
// besides 2015-11-20.
//
// Rows with dates, or with new cases, are a steady number of days apart
// (a gap is a whole multiple of it); each row's period runs from the day
// after the row before, the first row's is one spacing long. Dated rows
// ascend; day 1 is the first day of the first row's period.

#include <cstddef>
#include <string>
#include <string_view>

#include "model/observations.h"

namespace pandemie::input {

// Far more than 1000 rows of counts ever take.
inline constexpr std::size_t maxObservedFileBytes = std::size_t{64} << 20U;

// The counts in `text` (a file's contents), named `file` in messages:
// persons of a population of `population`, as given, on days 1..days.
// Throws UsageError with one line naming the file, the line and what is wrong.
[[nodiscard]] Observations parseObservations(std::string_view text, std::string_view file, int population,
                                             int days = runDays);

// The same read from the file at `path`, or from standard input for "-"; a
// directory, a named pipe or a device is refused before it is opened.
[[nodiscard]] Observations readObservations(const std::string& path, int population, int days = runDays);

// observed with its first day moved to model day firstDay and the others
// following, the rows keeping their dates; throws UsageError, its message after `name` (the option and
// a blank), when the last day would come after day `days`.
[[nodiscard]] Observations startingOnDay(Observations observed, int firstDay, std::string_view name,
                                         int days = runDays);

}  // namespace pandemie::input
