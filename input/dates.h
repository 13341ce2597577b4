#pragma once
// Dates as the user writes them (2015-11-20, or 20.11.2015 as German
// spreadsheets do), and a day given by number or by a date of the data.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/calendar.h"
#include "model/model.h"

namespace pandemie::input {

// A date as 2015-11-20, 20.11.2015 or 5.1.2016; any date of the calendar's
// form, whether it exists or not (isValidDate tells).
[[nodiscard]] std::optional<CivilDate> dateOfText(std::string_view text);

// How a day may be given: a number 1..lastDay, or, where the data have
// dates, a date, the data's day 1 being dateOfDayOne.
struct DayReading {
    int lastDay = runDays;
    std::optional<std::int64_t> dateOfDayOne;
};

// The data's day of a date.
[[nodiscard]] std::int64_t dayOfDate(std::int64_t date, std::int64_t dateOfDayOne) noexcept;

// The day of text, a day number or a date; throws UsageError, its message after `context`.
[[nodiscard]] int dayIn(std::string_view text, const DayReading& reading, const std::string& context);

}  // namespace pandemie::input
