#pragma once
// Civil dates of the proleptic Gregorian calendar as days since 1970-01-01,
// as observed files give them and outputs and charts show them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pandemie {

struct CivilDate {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31

    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

inline constexpr std::array<std::string_view, 12> germanMonthNames{
    "Januar", "Februar", "März",      "April",   "Mai",      "Juni",
    "Juli",   "August",  "September", "Oktober", "November", "Dezember"};

[[nodiscard]] constexpr bool isLeapYear(int year) noexcept {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

[[nodiscard]] constexpr int daysInMonth(int year, int month) noexcept {
    constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[static_cast<std::size_t>(month - 1)];
}

[[nodiscard]] constexpr bool isValidDate(CivilDate date) noexcept {
    return date.month >= 1 && date.month <= 12 && date.day >= 1 &&
           date.day <= daysInMonth(date.year, date.month);
}

// The calendar repeats every 400 years (146097 days). Within such an era the
// year is counted from March, so that the leap day closes it.
namespace calendar_detail {
inline constexpr std::int64_t daysPerEra = 146097;
inline constexpr std::int64_t yearsPerEra = 400;
inline constexpr std::int64_t marchFirstOfYearZero = -719468;  // 0000-03-01 before 1970-01-01

[[nodiscard]] constexpr std::int64_t floorDivision(std::int64_t value, std::int64_t divisor) noexcept {
    return value >= 0 ? value / divisor : (value - divisor + 1) / divisor;
}
}  // namespace calendar_detail

// Days since 1970-01-01 of a valid date.
[[nodiscard]] constexpr std::int64_t daysFromCivil(CivilDate date) noexcept {
    using namespace calendar_detail;
    const std::int64_t year = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = floorDivision(year, yearsPerEra);
    const std::int64_t yearOfEra = year - era * yearsPerEra;                                      // 0..399
    const std::int64_t monthFromMarch = (date.month + 9) % 12;                                    // March 0
    const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + date.day - 1;                 // 0..365
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;  // 0..146096
    return era * daysPerEra + dayOfEra + marchFirstOfYearZero;
}

[[nodiscard]] constexpr CivilDate civilFromDays(std::int64_t days) noexcept {
    using namespace calendar_detail;
    const std::int64_t sinceMarchFirst = days - marchFirstOfYearZero;
    const std::int64_t era = floorDivision(sinceMarchFirst, daysPerEra);
    const std::int64_t dayOfEra = sinceMarchFirst - era * daysPerEra;  // 0..146096
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / (daysPerEra - 1)) / 365;  // 0..399
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const auto month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const auto year = static_cast<int>(yearOfEra + era * yearsPerEra + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

namespace calendar_detail {
// value with leading zeros to `width` digits.
[[nodiscard]] inline std::string padded(int value, std::size_t width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}
}  // namespace calendar_detail

// "2015-11-20"
[[nodiscard]] inline std::string isoDate(std::int64_t days) {
    using calendar_detail::padded;
    const CivilDate date = civilFromDays(days);
    return padded(date.year, 4) + '-' + padded(date.month, 2) + '-' + padded(date.day, 2);
}

// "20.11."
[[nodiscard]] inline std::string germanDayMonth(std::int64_t days) {
    using calendar_detail::padded;
    const CivilDate date = civilFromDays(days);
    return padded(date.day, 2) + '.' + padded(date.month, 2) + '.';
}

// "20.11.2015"
[[nodiscard]] inline std::string germanDate(std::int64_t days) {
    return germanDayMonth(days) + calendar_detail::padded(civilFromDays(days).year, 4);
}

}  // namespace pandemie
