// The observed counts' file: the forms spreadsheets write, scaling to 1000
// persons, and one-line messages for everything else.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "input/observed_file.h"
#include "input/usage_error.h"
#include "model/calendar.h"
#include "output/csv.h"
#include "tests/scratch.h"

namespace pandemie {

// Rows as day:period:counts, so that a failure shows what differs.
void PrintTo(const Observations& observations, std::ostream* out) {
    for (const ObservedDay& day : observations.days) {
        *out << day.day << ':' << day.periodDays;
        for (const auto& count : day.counts) *out << ':' << (count ? std::to_string(*count) : "-");
        *out << ' ';
    }
    if (observations.dateOfDayOne) *out << "from " << isoDate(*observations.dateOfDayOne);
}

}  // namespace pandemie

namespace {

namespace fs = std::filesystem;
using pandemie::Observations;
using pandemie::ObservedDay;
using pandemie::input::maxObservedFileBytes;
using pandemie::input::parseObservations;
using pandemie::input::readObservations;
using pandemie::input::UsageError;
using scratch::ScratchDirectory;
using namespace std::string_literals;

constexpr auto newCasesAt = static_cast<std::size_t>(pandemie::ObservedSeries::newCases);

// The message of what throws, "" if nothing does.
template <typename Call>
[[nodiscard]] std::string refusal(Call&& call) {
    try {
        static_cast<void>(call());
    } catch (const UsageError& error) {
        return error.what();
    }
    return "";
}

[[nodiscard]] std::string refusal(const std::string& text, int population = 1000) {
    return refusal([&] { return parseObservations(text, "c.csv", population); });
}

// Each text is refused with one line that starts with the file, the line and what it says.
void expectRefusals(const std::vector<std::pair<std::string, std::string>>& cases,
                    int days = pandemie::runDays) {
    for (const auto& [text, says] : cases) {
        const std::string message =
            refusal([&text = text, days] { return parseObservations(text, "c.csv", 1000, days); });
        EXPECT_EQ(message.rfind("--observed: c.csv" + says, 0), 0U) << text << "\n" << message;
        EXPECT_EQ(message.find_first_of("\n\r"), std::string::npos) << message;
        EXPECT_LT(message.size(), 200U) << message;
    }
}

TEST(observed, spreadsheetFormsReadAsThePlainForm) {
    const Observations plain =
        parseObservations("day,infected,recovered\n1,3,0\n2,4.5,1\n5,,2\n", "c.csv", 1000);
    const Observations expected{
        {{1, {std::nullopt, 3, 0}}, {2, {std::nullopt, 4.5, 1}}, {5, {std::nullopt, std::nullopt, 2}}}};
    EXPECT_EQ(plain, expected);
    for (const char* form : {
             "\357\273\277day;infected;recovered\r\n1;3;0\r\n2;4,5;1\r\n5;;2\r\n",
             "day;infected;recovered\n1;3;0\n2;4.5;1\n5; ;2\n;;\n",  // a point in a ;-file; empty cells below
             "\"day\", \"infected\" ,\"recovered\"\n\"1\",\"3\",0\n2,\" 4.5 \",1\n5,\"\",2\n\n\n",
             "recovered,day,infected\n\n0,1,3\n1,2,4.5\n2,5,\n",
             "day,infected,recovered\n5,,2\n2,4.5,1\n1,3,0",
             // copied from a spreadsheet: tabs, comment lines, CR alone as line end
             "# pupils\n  #\nday\tinfected\trecovered\n1\t3\t0\n# then\n2\t 4.5 \t1\n5\t\t2\n\t\t\n",
             "day,infected,recovered\r1,3,0\r\r2,4.5,1\r5,,2\r",
             "\357\273\277\"day\"\t\"infected\"\trecovered\r\n1\t\"3\"\t0\r\n2\t4.5\t1\r\n5\t\"\"\t2\r\n",
         })
        EXPECT_EQ(parseObservations(form, "c.csv", 1000), expected) << form;

    // The tool's own output reads back as its counts.
    pandemie::Random random(7);
    const pandemie::Trajectory run = pandemie::runTrajectory({}, random);
    const Observations back = parseObservations(pandemie::output::trajectoryCsv(run), "run.csv", 1000);
    ASSERT_EQ(back.days.size(), run.size());
    EXPECT_EQ(back.lastDay(), 180);
    EXPECT_EQ(back.days[99].counts[1], run[99].countInfected);
    EXPECT_EQ(back.days[99].counts[2], run[99].countRecovered);
}

TEST(observed, countsArePersonsOfThePopulationAsGiven) {
    const Observations small = parseObservations("day,infected\n1,100\n2,763\n3,0.1\n", "c.csv", 763);
    EXPECT_EQ(small.days[0].counts[1], 100.0);
    EXPECT_EQ(small.days[1].counts[1], 763.0);
    const Observations large = parseObservations("day;not_infected\n1;48000\n2;12\n", "c.csv", 48000);
    EXPECT_EQ(large.days[0].counts[0], 48000.0);
    EXPECT_EQ(large.days[1].counts[0], 12.0);
    // Days run 1..D of the run.
    EXPECT_EQ(parseObservations("day,infected\n400,1\n", "c.csv", 1000, 400).lastDay(), 400);
    EXPECT_NE(refusal([] {
                  return parseObservations("day,infected\n15,1\n", "c.csv", 763, 14);
              }).find("c.csv:2: day \"15\" is not a whole number in 1..14"),
              std::string::npos);
    EXPECT_EQ(parseObservations("day,infected\n1,0.1\n", "c.csv", 1000).days[0].counts[1], 0.1);
    // Decimals that add up to the population by a rounding's worth more.
    EXPECT_EQ(refusal("day,not_infected,infected,recovered\n1,0.1,0.2,0.7\n", 1), "");
}

TEST(observed, badInputsAreOneLineNamingFileLineAndFault) {
    const std::string head = "day,infected\n";
    const std::vector<std::pair<std::string, std::string>> cases{
        {head + "1,3\n2,abc\n", ":3: \"abc\" is not a number of persons"},
        {head + "1,NaN\n", ":2: \"NaN\" is not a number"},
        {head + "1,inf\n", ":2: \"inf\" is not a number"},
        {head + "1,0x10\n", ":2: \"0x10\" is not a number"},
        {head + "1,1e400\n", ":2: \"1e400\" is not a number"},
        {head + "1,1.5.2\n", ":2: \"1.5.2\" is not a number"},
        {head + "1,\"4,5\"\n", ":2: \"4,5\" is not a number"},  // a decimal comma needs ;
        {"day;infected\n1;1.234,5\n", ":2: \"1.234,5\" is not a number"},
        {head + "1,-3\n", ":2: \"-3\" is negative"},
        {head + "1," + std::string(400, '9') + "\n", ":2: \"999"},
        {head + "1,1000.5\n", ":2: \"1000.5\" persons are more than the population of 1000"},
        {"day,infected,recovered\n1,600,401\n", ":2: the counts of day 1 add up to more than the population"},
        {head + "0,3\n", ":2: day \"0\" is not a whole number in 1..180"},
        {head + "181,3\n", ":2: day \"181\" is not a whole number in 1..180"},
        {head + "1.5,3\n", ":2: day \"1.5\" is not a whole number"},
        {head + "-1,3\n", ":2: day \"-1\" is not a whole number"},
        {head + "4,3\n\n4,5\n", ":4: day 4 is counted twice, first on line 2"},
        {head + ",3\n", ":2: no day in the day column"},
        {head + "1,\n", ":2: no count on day 1"},
        {head + "1,3,4\n", ":2: 3 cells, but the header has 2 cells"},
        {head + "1\n", ":2: 1 cell, but the header has 2 cells"},
        {"day\n1\n",
         ":1: no column of counts; expected one or more of not_infected, infected, recovered, "
         "new_cases or cumulative_cases"},
        {"infected\n3\n", ":1: no column named day or date; expected day or date and one or more of"},
        {"day,infeced\n", ":1: unknown column \"infeced\"; did you mean infected?"},
        {"day,Recovered\n", ":1: unknown column \"Recovered\"; did you mean recovered?"},
        {"day,cases\n", ":1: unknown column \"cases\"; did you mean new_cases or cumulative_cases?"},
        {"Date,infected\n", ":1: unknown column \"Date\"; did you mean date?"},
        {"day,new_case\n", ":1: unknown column \"new_case\"; did you mean new_cases?"},
        {"day,Anzahl\n",
         ":1: unknown column \"Anzahl\"; expected day, date, not_infected, infected, recovered, "
         "new_cases or cumulative_cases"},
        {"day,infected,infected\n", ":1: two columns named infected"},
        {"day,infected,\n", ":1: column 3 has no name"},
        {"\n" + head, ": a header but no counted day"},
        {"", ": an empty file"},
        {"\r\n \n", ": an empty file"},
        {head + "1,3\n2,\0\n"s, ":3: a NUL byte: not UTF-8 text"},
        {"\377\376d\0a\0y\0"s, ":1: a NUL byte"},  // UTF-16
        {head + "1,\"3\n", R"(:2: the quote of "\"3" does not close)"},
        {head + "1,\"3\"x\n", ":2: text after the closing quote of \"3\""},
        {head + "1,\x1b[2J\x1b\x5d\n", R"(:2: "\x1b[2J\x1b]" is not a number)"},
        {head + "1,3\r4\r\n", ":3: 1 cell, but the header has 2 cells"},  // a lone CR ends a line
        {"day,infected\r1,3\r2,x\r", ":3: \"x\" is not a number of persons"},
        {"day,infected\r1,3\r\0"s, ":3: a NUL byte"},
        {head + "1\t3\n",
         ":2: the line is separated by tabs, the header by commas; a file keeps the header's "
         "separator"},
        {"day\tinfected\n1,3\n", ":2: the line is separated by commas, the header by tabs"},
        {"day\tinfected,recovered\n", ":1: the header is separated by both tabs and commas; a file keeps"},
        {"day\tinfected\n1\t4,5\n", ":2: \"4,5\" is not a number"},  // a decimal comma needs ;
        {head + "1,3\r\n2," + std::string(100, 'x') + "\n", ":3: \"xxx"},
    };
    expectRefusals(cases);
    EXPECT_EQ(refusal("day,infected\n1,1\n", 0),
              "--observed: c.csv: a population of 0 persons; it must be 1 or more");
    EXPECT_EQ(refusal([] { return parseObservations("day", "bad\nname.csv", 1000); }).find('\n'),
              std::string::npos);
}

// A row of new cases only, closing `day` after a period of `period` days.
[[nodiscard]] ObservedDay newCasesOn(int day, double cases, int period) {
    ObservedDay row{day, {}, period};
    row.counts[newCasesAt] = cases;
    return row;
}

[[nodiscard]] std::int64_t dateOf(int year, int month, int day) {
    return pandemie::daysFromCivil({year, month, day});
}

TEST(observedDates, weeklyRowsCloseTheirPeriodsCountedFromTheFirstPeriodsFirstDay) {
    // Weeks ending on Sundays; day 1 is the Monday 2015-11-02.
    const Observations expected{{newCasesOn(7, 5, 7), newCasesOn(14, 12, 7), newCasesOn(21, 0, 7)},
                                dateOf(2015, 11, 2)};
    for (const char* form : {
             "date,new_cases\n2015-11-08,5\n2015-11-15,12\n2015-11-22,0\n",
             "date;new_cases\r\n08.11.2015;5\r\n15.11.2015;12\r\n22.11.2015;0\r\n",
             "new_cases,date\n5,8.11.2015\n12,\"15.11.2015\"\n0.0,22.11.2015\n",
         })
        EXPECT_EQ(parseObservations(form, "c.csv", 1000), expected) << form;

    // Cumulative counts: the first row is where counting starts, and it
    // opens the first period, so the same weeks are days 14, 21 and 28.
    const Observations cumulative = parseObservations(
        "date,cumulative_cases\n2015-11-01,100\n2015-11-08,105\n2015-11-15,117\n2015-11-22,117\n", "c.csv",
        1000);
    EXPECT_EQ(cumulative, (Observations{{newCasesOn(14, 5, 7), newCasesOn(21, 12, 7), newCasesOn(28, 0, 7)},
                                        dateOf(2015, 10, 26)}));

    // A row without its cumulative count leaves the next row's period uncounted.
    const Observations gap =
        parseObservations("day,infected,cumulative_cases\n1,1,10\n2,2,\n3,3,15\n4,4,18\n", "c.csv", 1000);
    ASSERT_EQ(gap.days.size(), 4U);
    EXPECT_FALSE(gap.days[1].counts[newCasesAt] || gap.days[2].counts[newCasesAt]);
    EXPECT_EQ(gap.days[3].counts[newCasesAt], 3.0);
}

TEST(observedDates, weeklySumsOfDailyRowsCoverTheSameDays) {
    std::string daily = "date,new_cases\n";
    std::string weekly = "date,new_cases\n";
    int week = 0;
    for (int day = 2; day <= 22; ++day) {  // 2015-11-02..22, three weeks
        const int cases = (day * 7) % 5;
        daily += pandemie::isoDate(dateOf(2015, 11, day)) + "," + std::to_string(cases) + "\n";
        week += cases;
        if ((day - 1) % 7 == 0) {
            weekly += pandemie::germanDate(dateOf(2015, 11, day)) + "," + std::to_string(week) + "\n";
            week = 0;
        }
    }
    const Observations days = parseObservations(daily, "daily.csv", 1000);
    const Observations weeks = parseObservations(weekly, "weekly.csv", 1000);
    EXPECT_EQ(days.dateOfDayOne, weeks.dateOfDayOne);
    ASSERT_EQ(weeks.days.size(), 3U);
    for (const ObservedDay& row : weeks.days) {
        double sum = 0;
        for (const ObservedDay& day : days.days)
            if (day.day > row.day - row.periodDays && day.day <= row.day)
                sum += day.counts[newCasesAt].value();
        EXPECT_EQ(row.counts[newCasesAt], sum) << row.day;
        EXPECT_EQ(row.periodDays, 7);
    }
    EXPECT_EQ(days.lastDay(), weeks.lastDay());
}

TEST(observedDates, gapsArePeriodsOfSeveralSpacings) {
    const Observations dated =
        parseObservations("date,new_cases\n2015-11-08,5\n2015-11-22,12\n2015-11-29,3\n", "c.csv", 1000);
    EXPECT_EQ(dated, (Observations{{newCasesOn(7, 5, 7), newCasesOn(21, 12, 14), newCasesOn(28, 3, 7)},
                                   dateOf(2015, 11, 2)}));
    // Days in any order; the first period may start before day 1.
    const Observations numbered = parseObservations("day,new_cases\n15,2\n1,3\n8,0\n29,4\n", "c.csv", 1000);
    EXPECT_EQ(numbered, (Observations{{newCasesOn(1, 3, 7), newCasesOn(8, 0, 7), newCasesOn(15, 2, 7),
                                       newCasesOn(29, 4, 14)}}));
    // Counts of the day alone keep days of any spacing, each a period of one day.
    const Observations levels = parseObservations("day,infected\n1,3\n2,4\n5,2\n", "c.csv", 1000);
    EXPECT_TRUE(std::ranges::all_of(levels.days, [](const ObservedDay& day) { return day.periodDays == 1; }));
    EXPECT_FALSE(levels.dateOfDayOne);
    // One row is a period of a day.
    EXPECT_EQ(parseObservations("date,infected\n29.02.2016,3\n", "c.csv", 1000).days.at(0),
              (ObservedDay{1, {std::nullopt, 3.0}, 1}));
}

TEST(observedDates, aLaterFirstDayKeepsTheRowsDates) {
    const Observations read =
        parseObservations("date,new_cases\n2015-11-08,5\n2015-11-15,12\n", "c.csv", 1000);
    const Observations moved = pandemie::input::startingOnDay(read, 20, "--first-day ");
    EXPECT_EQ(moved.firstDay(), 20);
    EXPECT_EQ(moved.lastDay(), 27);
    EXPECT_EQ(*moved.dateOfDayOne + moved.lastDay() - 1, dateOf(2015, 11, 15));
    EXPECT_EQ(refusal([&] { return pandemie::input::startingOnDay(read, 175, "--first-day "); }),
              "--first-day 175: the file's last day 14 would be day 182, after day 180");
}

TEST(observedDates, badDatesAndCasesAreOneLineNamingTheLine) {
    const std::string weekly = "date,new_cases\n2015-11-08,5\n";
    expectRefusals({
        {"date,new_cases\n2015-02-30,1\n", ":2: date \"2015-02-30\" does not exist"},
        {"date,new_cases\n2015-13-01,1\n", ":2: date \"2015-13-01\" does not exist"},
        {"date;new_cases\n1.1.2016;1\n31.04.2016;1\n", ":3: date \"31.04.2016\" does not exist"},
        {"date,new_cases\n29.02.2015,1\n", ":2: date \"29.02.2015\" does not exist"},
        {"date,new_cases\n2015/11/20,1\n",
         ":2: date \"2015/11/20\" is not a date such as 2015-11-20 or 20.11.2015"},
        {"date,new_cases\n20.11.15,1\n", ":2: date \"20.11.15\" is not a date such as"},
        {"date,new_cases\n2015-11-20-1,1\n", ":2: date \"2015-11-20-1\" is not a date such as"},
        {"date,new_cases\n0999-01-01,1\n",
         ":2: date \"0999-01-01\" is not a date such as 2015-11-20 or "
         "20.11.2015 of the years 1000..9999"},
        {"date,new_cases\n,1\n", ":2: no date in the date column"},
        {weekly + "2015-11-15,1\n\n2015-11-15,1\n", ":5: 2015-11-15 is not after 2015-11-15 on line 3"},
        {weekly + "01.11.2015,1\n", ":3: 01.11.2015 is not after 2015-11-08 on line 2"},
        {"date,new_cases\n2015-11-02,1\n2015-11-09,1\n2015-11-12,1\n2015-11-19,1\n",
         ":4: 2015-11-12 is 3 days after the row before; the rows are 7 days apart"},
        {"date,infected\n2015-11-01,1\n2015-11-03,1\n2015-11-06,1\n",
         ":4: 2015-11-06 is 3 days after the row before; the rows are 2 days apart"},
        {"day,new_cases\n11,1\n1,1\n8,1\n18,1\n",
         ":2: day 11 is 3 days after day 8; the rows are 7 days apart"},
        {"day,date,infected\n", ":1: the header has both day and date; give one of them"},
        {"date,new_cases,cumulative_cases\n", ":1: the header has both new_cases and cumulative_cases"},
        {weekly + "2015-11-15,-3\n", ":3: \"-3\" is negative, not a whole number of cases"},
        {weekly + "2015-11-15,2.5\n", ":3: \"2.5\" is not a whole number of cases"},
        {"day;new_cases\n1;2,5\n", ":2: \"2,5\" is not a whole number of cases"},
        {weekly + "2015-11-15,1001\n", ":3: \"1001\" cases are more than the population of 1000"},
        {"day,new_cases\n2,401\n1,600\n3,0\n",
         ":2: the new cases up to day 2 add up to 1001, more than the "
         "population of 1000"},
        {weekly + "2015-11-15,996\n", ":3: the new cases up to 2015-11-15 add up to 1001"},
        {"date,cumulative_cases\n2015-11-01,10\n2015-11-08,20\n2015-11-15,15\n",
         ":4: cumulative_cases fall from 20 on line 3 to 15"},
        {"day,cumulative_cases\n8,20\n1,10\n15,18\n", ":4: cumulative_cases fall from 20 on line 2 to 18"},
        {"date,cumulative_cases\n2015-11-01,10\n", ":2: a single row of cumulative_cases"},
        {"day,cumulative_cases\n1,1\n2,0.5\n", ":3: \"0.5\" is not a whole number of cases"},
        {"date,infected\n2015-10-01,1\n2015-10-02,1\n2016-03-29,1\n",
         ":4: 2016-03-29 is day 181 counted from 2015-10-01, after day 180; give a larger --days"},
    });
    expectRefusals({{"date,infected\n7.10.2015,1\n14.10.2015,1\n",
                     ":3: 14.10.2015 is day 14 counted from 01.10.2015, after day 10; give a larger --days"}},
                   10);
    const std::string everyone = weekly + "2015-11-15,995\n";
    EXPECT_EQ(refusal(everyone), "");  // all of the population, once each
}

TEST(observed, onlyRegularFilesAreRead) {
    const ScratchDirectory dir;
    const std::string file = (dir / "c.csv").string();
    std::ofstream(file) << "day,infected\n1,3\n";
    EXPECT_EQ(readObservations(file, 1000).days.at(0).counts[1], 3.0);
    const std::string pipe = (dir / "pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(refusal([&] { return readObservations(pipe, 1000); }),
              "--observed: " + pipe + ": a named pipe, not a regular file");
    EXPECT_EQ(refusal([&] { return readObservations(dir.path().string(), 1000); }),
              "--observed: " + dir.path().string() + ": a directory, not a regular file");
    EXPECT_EQ(refusal([&] { return readObservations((dir / "none").string(), 1000); }),
              "--observed: " + (dir / "none").string() + ": cannot read the file: No such file or directory");
    fs::resize_file(file, maxObservedFileBytes + 1);  // sparse, so it takes no room
    EXPECT_EQ(refusal([&] { return readObservations(file, 1000); }),
              "--observed: " + file + ": longer than 64 MiB, more than any file of counts needs");
}

}  // namespace
