#include "input/dates.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "input/parameter_names.h"
#include "input/quoted.h"
#include "input/usage_error.h"
#include "input/whole_number.h"

namespace pandemie::input {

namespace {

// text as a number of minDigits..maxDigits digits, when it is one.
[[nodiscard]] std::optional<int> digitsValue(std::string_view text, std::size_t minDigits,
                                             std::size_t maxDigits) {
    int value = 0;
    if (text.size() < minDigits || text.size() > maxDigits ||
        !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

std::optional<CivilDate> dateOfText(std::string_view text) {
    const bool german = text.find('.') != std::string_view::npos;
    const char mark = german ? '.' : '-';
    const std::size_t first = text.find(mark);
    const std::size_t second = first == std::string_view::npos ? first : text.find(mark, first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const std::array<std::string_view, 3> parts{
        text.substr(0, first), text.substr(first + 1, second - first - 1), text.substr(second + 1)};
    const std::string_view year = german ? parts[2] : parts[0];
    const std::string_view day = german ? parts[0] : parts[2];
    const auto yearValue = digitsValue(year, 4, 4);
    const auto monthValue = digitsValue(parts[1], 1, 2);
    const auto dayValue = digitsValue(day, 1, 2);
    if (!yearValue || !monthValue || !dayValue) return std::nullopt;
    return CivilDate{*yearValue, *monthValue, *dayValue};
}

std::int64_t dayOfDate(std::int64_t date, std::int64_t dateOfDayOne) noexcept {
    return date - dateOfDayOne + 1;
}

int dayIn(std::string_view text, const DayReading& reading, const std::string& context) {
    const std::optional<CivilDate> date = dateOfText(text);
    if (!date) return parameterValueIn(text, dayRangeOf(reading.lastDay), context + "day ");
    if (!isValidDate(*date)) throw UsageError(context + "date " + quotedValue(text) + " does not exist");
    if (!reading.dateOfDayOne)
        throw UsageError(context + "a date needs observed counts with dates; give a day 1.." +
                         std::to_string(reading.lastDay));
    const std::int64_t day = dayOfDate(daysFromCivil(*date), *reading.dateOfDayOne);
    if (day < 1 || day > reading.lastDay)
        throw UsageError(context + "date " + quotedValue(text) + " is day " + std::to_string(day) +
                         " of the data, whose day 1 is " + isoDate(*reading.dateOfDayOne) +
                         "; expected days 1.." + std::to_string(reading.lastDay));
    return static_cast<int>(day);
}

}  // namespace pandemie::input
