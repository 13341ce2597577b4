#pragma once
// The changes of parameters on a day (--change): DAY:NAME=VALUE[,NAME=VALUE...].
// Bad input throws UsageError with a one-line message that follows the
// option's name, as in "--change: \"x\": expected DAY:NAME=VALUE[,NAME=VALUE...]".

#include <string>

#include "input/dates.h"
#include "model/scenario.h"

namespace pandemie::input {

// Adds the changes of text to changes (which sortedByDay then orders). A
// parameter changed twice on one day, here or in changes already, is
// refused; DAY is a day 1..lastDay or a date of the data, values over the
// tool's ranges.
void addChanges(Schedule& changes, const std::string& text, const DayReading& days = {});

}  // namespace pandemie::input
