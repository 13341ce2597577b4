// Civil dates: every day of the years 1000..9999 follows the one before, and
// leap days fall where the Gregorian rules put them.

#include <gtest/gtest.h>

#include <cstdint>

#include "model/calendar.h"

namespace {

using pandemie::CivilDate;
using pandemie::civilFromDays;
using pandemie::daysFromCivil;
using pandemie::isValidDate;

static_assert(daysFromCivil({1970, 1, 1}) == 0);
static_assert(civilFromDays(-1) == CivilDate{1969, 12, 31});

// The day after date, counted by hand from the months' lengths.
[[nodiscard]] CivilDate nextDay(CivilDate date) {
    if (isValidDate({date.year, date.month, date.day + 1})) return {date.year, date.month, date.day + 1};
    if (date.month < 12) return {date.year, date.month + 1, 1};
    return {date.year + 1, 1, 1};
}

TEST(calendar, everyDayFollowsTheOneBeforeBothWays) {
    const std::int64_t first = daysFromCivil({1000, 1, 1});
    const std::int64_t last = daysFromCivil({9999, 12, 31});
    EXPECT_EQ(first, -354285);  // as counted by other calendars
    EXPECT_EQ(last, 2932896);
    EXPECT_EQ(daysFromCivil({2015, 11, 20}), 16759);
    CivilDate expected{1000, 1, 1};
    for (std::int64_t days = first; days <= last; ++days) {
        const CivilDate date = civilFromDays(days);
        ASSERT_EQ(date, expected) << days;
        ASSERT_EQ(daysFromCivil(date), days);
        expected = nextDay(expected);
    }
    EXPECT_EQ(expected, (CivilDate{10000, 1, 1}));
}

TEST(calendar, leapDaysFallOnTheGregorianRules) {
    struct Case {
        CivilDate date;
        bool valid;
    };
    for (const auto& [date, valid] : {
             Case{{2016, 2, 29}, true},   // by four
             Case{{2015, 2, 29}, false},  //
             Case{{1900, 2, 29}, false},  // by 100 but not by 400
             Case{{2100, 2, 29}, false},  //
             Case{{2000, 2, 29}, true},   // by 400
             Case{{1600, 2, 29}, true},   //
             Case{{2015, 2, 28}, true},   //
             Case{{2015, 2, 30}, false},  //
             Case{{2016, 4, 31}, false},  //
             Case{{2016, 12, 31}, true},  //
             Case{{2016, 13, 1}, false},  //
             Case{{2016, 0, 1}, false},   //
             Case{{2016, 1, 0}, false},   //
         }) {
        EXPECT_EQ(isValidDate(date), valid) << date.year << "-" << date.month << "-" << date.day;
    }
    // The leap day lies between the 28th and the 1st of March, not in a non-leap year.
    EXPECT_EQ(daysFromCivil({2000, 3, 1}) - daysFromCivil({2000, 2, 28}), 2);
    EXPECT_EQ(daysFromCivil({1900, 3, 1}) - daysFromCivil({1900, 2, 28}), 1);
    EXPECT_EQ(daysFromCivil({2001, 1, 1}) - daysFromCivil({2000, 1, 1}), 366);
    EXPECT_EQ(daysFromCivil({2100, 1, 1}) - daysFromCivil({2000, 1, 1}), 36525);
}

TEST(calendar, datesShowAsIsoAndGerman) {
    const std::int64_t day = daysFromCivil({2015, 11, 20});
    EXPECT_EQ(pandemie::isoDate(day), "2015-11-20");
    EXPECT_EQ(pandemie::germanDayMonth(day), "20.11.");
    EXPECT_EQ(pandemie::germanDate(day), "20.11.2015");
    EXPECT_EQ(pandemie::germanDate(daysFromCivil({1000, 1, 5})), "05.01.1000");
    EXPECT_EQ(pandemie::isoDate(daysFromCivil({999, 3, 4})), "0999-03-04");
    EXPECT_EQ(pandemie::germanMonthNames[2], "März");
    EXPECT_EQ(pandemie::germanMonthNames[11], "Dezember");
}

}  // namespace
