// The observed counts' file: the forms spreadsheets write, scaling to 1000
// persons, and one-line messages for everything else.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "input/observed_file.h"
#include "input/usage_error.h"
#include "output/csv.h"
#include "tests/scratch.h"

namespace {

namespace fs = std::filesystem;
using pandemie::Observations;
using pandemie::input::maxObservedFileBytes;
using pandemie::input::parseObservations;
using pandemie::input::readObservations;
using pandemie::input::UsageError;
using scratch::ScratchDirectory;
using namespace std::string_literals;

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
        {"day\n1\n", ":1: no column of counts; expected one or more of not_infected, infected or recovered"},
        {"infected\n3\n", ":1: no column named day"},
        {"day,infeced\n", ":1: unknown column \"infeced\"; did you mean infected?"},
        {"day,Recovered\n", ":1: unknown column \"Recovered\"; did you mean recovered?"},
        {"day,cases\n", ":1: unknown column \"cases\"; expected day, not_infected, infected or recovered"},
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
        {head + "1,3\r4\r\n", R"(:2: "3\r4" is not a number)"},
        {head + "1,3\r\n2," + std::string(100, 'x') + "\n", ":3: \"xxx"},
    };
    for (const auto& [text, says] : cases) {
        const std::string message = refusal(text);
        EXPECT_EQ(message.rfind("--observed: c.csv" + says, 0), 0U) << text << "\n" << message;
        EXPECT_EQ(message.find_first_of("\n\r"), std::string::npos) << message;
        EXPECT_LT(message.size(), 200U) << message;
    }
    EXPECT_EQ(refusal("day,infected\n1,1\n", 0),
              "--observed: c.csv: a population of 0 persons; it must be 1 or more");
    EXPECT_EQ(refusal([] { return parseObservations("day", "bad\nname.csv", 1000); }).find('\n'),
              std::string::npos);
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
