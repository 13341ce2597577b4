// Hostile input files and what the tool reads back: the scenario file's
// limits, outputs that would replace a file read, the image's command text,
// characters that a one-line message shows escaped.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>

#include <fstream>
#include <string>
#include <vector>

#include "chart/png_text.h"
#include "chart/run_image.h"
#include "input/changes.h"
#include "input/characters.h"
#include "input/composed_text.h"
#include "input/observed_file.h"
#include "input/quoted.h"
#include "input/scenario_file.h"
#include "input/usage_error.h"
#include "output/command_line.h"
#include "tests/cli_process.h"

namespace {

namespace fs = std::filesystem;
using cli_process::lines;
using cli_process::Outcome;
using cli_process::readFile;
using cli_process::runCli;
using cli_process::ScratchDirectory;
using pandemie::input::isPrintableLine;
using pandemie::input::maxScenarioFileBytes;
using pandemie::input::quotedValue;
using pandemie::input::scenariosFromText;
using pandemie::input::UsageError;

const std::string oneScenario = "[[scenario]]\nname = \"a\"\n";

// The message scenariosFromText gives for text, "" if it reads it.
[[nodiscard]] std::string refusal(const std::string& text) {
    try {
        static_cast<void>(scenariosFromText(text, "s.toml", {}));
    } catch (const UsageError& error) {
        return error.what();
    }
    return "";
}

TEST(inputFiles, scenarioFilesNestedTooDeepOrTooLongAreRefusedBeforeParsing) {
    const std::string tooDeep = "--scenarios: s.toml:3: nested more than 32 levels deep";
    std::string dotted = "a";
    for (int i = 0; i < 33; ++i) dotted += ".a";
    EXPECT_EQ(refusal(oneScenario + dotted + " = 1\n").rfind(tooDeep, 0), 0U);
    EXPECT_EQ(refusal(oneScenario + "x = " + std::string(33, '[')).rfind(tooDeep, 0), 0U);
    EXPECT_EQ(refusal(oneScenario + "x = {a = {b = " + std::string(31, '{')).rfind(tooDeep, 0), 0U);
    // Dots and brackets in strings and comments, and the dots of many floats,
    // nest nothing; the file is refused for its key only.
    std::string floats;
    for (int i = 0; i < 40; ++i) floats += "1.5, ";
    const std::string inStrings = "# " + dotted + "\nname = \"" + dotted + "[[[\"\nx = '''\n" + dotted +
                                  "\n'''\ny = [" + floats + "]\n";
    EXPECT_NE(refusal("[[scenario]]\n" + inStrings).find(":4: unknown key \"x\""), std::string::npos);
    for (const char* example : {"kontaktbeschraenkung.toml", "lockerung.toml"})
        EXPECT_EQ(refusal(readFile(fs::path(PANDEMIE_SOURCE_DIR) / "examples" / example)), "") << example;

    // Through the tool: the key that overflowed the parser's stack, and a
    // file longer than allowed (sparse, so it takes no room).
    const ScratchDirectory dir;
    std::string deepKey = "a";
    for (int i = 0; i < 50'000; ++i) deepKey += ".a";
    std::ofstream(dir / "deep.toml") << oneScenario << deepKey << " = 1\n";
    std::ofstream(dir / "long.toml") << oneScenario;
    fs::resize_file(dir / "long.toml", maxScenarioFileBytes + 1);
    for (const auto& [file, says] : {std::pair{"deep.toml", ":3: nested more than 32 levels deep"},
                                     {"long.toml", ": longer than 64 MiB"}}) {
        const Outcome run = runCli({"--scenarios", (dir / file).string()});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(lines(run.err).size(), 1U);
        EXPECT_NE(run.err.find((dir / file).string() + says), std::string::npos) << run.err;
    }
}

TEST(inputFiles, changesTakeDatesOfTheObservedRows) {
    // The data's day 1 is 2015-11-02.
    const pandemie::input::DayReading days{60, pandemie::daysFromCivil({2015, 11, 2})};
    const auto scenarios = scenariosFromText(
        oneScenario + "[[scenario.change]]\ndate = 2015-11-20\nencounters = 4\n", "s.toml", {}, days);
    EXPECT_EQ(scenarios.front().changes.front().day, 19);
    pandemie::Schedule changes;
    pandemie::input::addChanges(changes, "20.11.2015:infection=3", days);
    EXPECT_EQ(changes.front().day, 19);
    const auto refused = [&](const std::string& text) {
        try {
            pandemie::input::addChanges(changes, text, days);
        } catch (const UsageError& error) {
            return std::string(error.what());
        }
        return std::string();
    };
    EXPECT_NE(refused("2015-10-31:encounters=4").find("is day -1 of the data"), std::string::npos);
    EXPECT_NE(refused("2016-01-01:encounters=4").find("expected days 1..60"), std::string::npos);
    EXPECT_NE(refusal(oneScenario + "[[scenario.change]]\ndate = \"2015-11-20\"\nencounters = 4\n")
                  .find("date must be a date"),
              std::string::npos);
}

TEST(inputFiles, noOutputMayReplaceTheScenarioFile) {
    const ScratchDirectory dir;
    const std::string file = (dir / "s.toml").string();
    std::ofstream(file) << oneScenario;
    fs::create_symlink("s.toml", dir / "link");
    fs::create_hard_link(file, dir / "hard");
    for (const std::string& spelling :
         {file, (dir.path() / "." / "s.toml").string(), (dir / "link").string(), (dir / "hard").string()}) {
        for (const char* option : {"--summary", "--output", "--png"}) {
            const Outcome run = runCli({"--scenarios", file, "--runs", "2", option, spelling});
            EXPECT_EQ(run.status, 2);
            const std::string says =
                std::string("pandemie-cli: ").append(option).append(" ").append(spelling);
            EXPECT_EQ(run.err,
                      std::string(says).append(" is the same file as --scenarios ").append(file) + '\n');
        }
    }
    EXPECT_EQ(readFile(file), oneScenario);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"hard", "link", "s.toml"}));
}

// The chunks of a PNG file: type and data, in file order.
[[nodiscard]] std::vector<std::pair<std::string, std::string>> chunksOf(const std::string& png) {
    std::vector<std::pair<std::string, std::string>> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        std::size_t length = 0;
        for (std::size_t i = 0; i < 4; ++i) length = (length << 8U) | static_cast<unsigned char>(png[at + i]);
        chunks.emplace_back(png.substr(at + 4, 4), png.substr(at + 8, length));
        at += 12 + length;
    }
    return chunks;
}

TEST(inputFiles, imageCommandIsUtf8TextReadBackWhole) {
    const ScratchDirectory dir;
    const std::string png = (dir / "Maßnahmen für ü.png").string();
    ASSERT_EQ(runCli({"--png", png, "--encounters", "3"}).status, 0);
    const std::string command =
        std::string(PANDEMIE_CLI_PATH) + " --png '" + png + "' --encounters 3";  // as the shell takes it
    const std::string bytes = readFile(png);
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(bytes)).text("Command").toStdString(), command);
    std::vector<std::string> textChunks;
    for (const auto& [type, data] : chunksOf(bytes))
        if (type == "iTXt" || type == "tEXt" || type == "zTXt")
            textChunks.push_back(std::string(type).append(":").append(data));
    EXPECT_EQ(textChunks,
              std::vector<std::string>{std::string("iTXt:Command").append(5, '\0').append(command)});

    // Any UTF-8 text, beyond Latin-1 too; a file without image data stays as it is.
    const std::string text = "Tag 30: Kontaktbeschränkung € 😷";
    const QByteArray withText =
        chart::withTextChunk(chart::encodePng(QImage(4, 4, QImage::Format_RGB32)), "Command", text);
    EXPECT_EQ(QImage::fromData(withText).text("Command").toStdString(), text);
    EXPECT_EQ(chart::withTextChunk("not a PNG file", "Command", text), "not a PNG file");
}

// Text and how every message and the image's command show it.
struct Escaped {
    std::string text;
    std::string shown;
};

// The message parseObservations gives for text, "" if it reads it.
[[nodiscard]] std::string observedRefusal(const std::string& text) {
    try {
        static_cast<void>(pandemie::input::parseObservations(text, "c.csv", 1000));
    } catch (const UsageError& error) {
        return error.what();
    }
    return "";
}

// Each text, between two letters, shows escaped in a quoted value, in the
// command line, in a scenario file's name and key and in an observed file's
// column; no message holds it raw.
void expectShownEscapedEverywhere(const std::vector<Escaped>& cases) {
    for (const auto& [text, shown] : cases) {
        const std::string line = "a" + text + "b";
        const std::string escaped = "a" + shown + "b";
        EXPECT_FALSE(isPrintableLine(line)) << escaped;
        EXPECT_EQ(quotedValue(line), '"' + escaped + '"');
        EXPECT_EQ(pandemie::output::shellQuoted(line), "$'" + escaped + "'");
        const std::vector<std::string> messages{
            refusal("[[scenario]]\nname = \"" + line + "\"\n"),
            refusal("[[scenario]]\nname = \"n\"\n\"" + line + "\" = 1\n"),
            observedRefusal("day," + line + "\n1,3\n"),
        };
        for (const std::string& message : messages) {
            EXPECT_FALSE(message.empty()) << escaped;
            EXPECT_TRUE(isPrintableLine(message)) << quotedValue(message);
        }
        EXPECT_NE(messages[2].find("unknown column \"" + escaped + '"'), std::string::npos) << messages[2];
    }
}

// A letter typed as one character or as a base and combining marks is one
// name; the expected forms are Python's unicodedata.normalize("NFC", ...).
TEST(inputText, namesCompareInTheirComposedForm) {
    using pandemie::input::composedText;
    EXPECT_EQ(composedText("Schu\u0308ler"), "Sch\u00FCler");
    EXPECT_EQ(composedText("Sch\u00FCler"), "Sch\u00FCler");
    EXPECT_EQ(composedText("e\u0323\u0302"), "\u1EC7");  // marks in either order, or a composed base
    EXPECT_EQ(composedText("e\u0302\u0323"), "\u1EC7");
    EXPECT_EQ(composedText("\u1EB9\u0302"), "\u1EC7");
    EXPECT_EQ(composedText("u\u0308\u0304"), "\u01D6");
    EXPECT_EQ(composedText("A\u030A\u0301"), "\u01FA");
    EXPECT_EQ(composedText("o\u031B\u0323\u0300"), "\u1EE3\u0300");  // the dot below took the place
    EXPECT_EQ(composedText("a\u0308\u0308"), "\u00E4\u0308");
    EXPECT_EQ(composedText("\u0344q\u0308x\u0308"), "\u0308\u0301q\u0308\u1E8D");
    EXPECT_EQ(composedText("u\xff\u0308 \xc3"), "u\xff\u0308 \xc3");  // a byte of none parts them
    // Marks that stand for other marks, and a character of four bytes between.
    EXPECT_EQ(composedText("a\u0340 e\u0341\U0001F600a\u0343"), "\u00E0 \u00E9\U0001F600a\u0313");

    const std::string composed = "[[scenario]]\nname = \"Ma\u00DFnahmen f\u00FCr Sch\u00FCler\"\n";
    const std::string decomposed = "[[scenario]]\nname = \"Ma\u00DFnahmen fu\u0308r Schu\u0308ler\"\n";
    EXPECT_EQ(refusal(composed + decomposed),
              "--scenarios: s.toml:4: scenario \"Ma\u00DFnahmen fu\u0308r Schu\u0308ler\" is named twice, in "
              "two spellings "
              "of the same letters");
    EXPECT_EQ(refusal(composed + composed),
              "--scenarios: s.toml:4: scenario \"Ma\u00DFnahmen f\u00FCr Sch\u00FCler\" is named twice");
    const auto names =
        scenariosFromText(composed + "[[scenario]]\nname = \"Ma\u00DFnahmen fur Schuler\"\n" +
                              "[[scenario]]\nname = \"Ma\u00DFnahmen f\u00FCr Sch\u00FCler\u0308\"\n",
                          "s.toml", {});
    ASSERT_EQ(names.size(), 3U);
    EXPECT_EQ(names[2].name, "Ma\u00DFnahmen f\u00FCr Sch\u00FCler\u0308") << "kept as given";
}

TEST(inputText, invalidSequencesShowAsTheirBytes) {
    expectShownEscapedEverywhere({
        {"\xed\xa0\x80", R"(\xed\xa0\x80)"},          // a surrogate, U+D800
        {"\xe0\x80\x80", R"(\xe0\x80\x80)"},          // an overlong form of U+0000
        {"\xc0\xaf", R"(\xc0\xaf)"},                  // an overlong '/'
        {"\xf4\x90\x80\x80", R"(\xf4\x90\x80\x80)"},  // U+110000, past U+10FFFF
        {"\xf8\x88\x80\x80\x80", R"(\xf8\x88\x80\x80\x80)"},
        {"\xe2\x82", R"(\xe2\x82)"},  // truncated before the 'b'
        {"\x80", R"(\x80)"},
        {"\xff", R"(\xff)"},
    });
}

TEST(inputText, lineAndParagraphSeparatorsShowEscaped) {
    expectShownEscapedEverywhere({
        {"\xe2\x80\xa8", R"(\xe2\x80\xa8)"},  // U+2028
        {"\xe2\x80\xa9", R"(\xe2\x80\xa9)"},  // U+2029
        {"\xc2\x85", R"(\xc2\x85)"},          // NEL, a C1 control
    });
}

TEST(inputText, invisibleCharactersShowEscapedTheirNeighboursAsTheyAre) {
    expectShownEscapedEverywhere({
        {"\xef\xbb\xbf", R"(\xef\xbb\xbf)"},          // byte order mark, U+FEFF
        {"\xe2\x80\x8b", R"(\xe2\x80\x8b)"},          // zero-width space
        {"\xe2\x80\x8d", R"(\xe2\x80\x8d)"},          // zero-width joiner
        {"\xe2\x80\x8f", R"(\xe2\x80\x8f)"},          // right-to-left mark
        {"\xe2\x80\xae", R"(\xe2\x80\xae)"},          // right-to-left override
        {"\xe2\x81\xa6", R"(\xe2\x81\xa6)"},          // left-to-right isolate
        {"\xe2\x81\xa0", R"(\xe2\x81\xa0)"},          // word joiner
        {"\xc2\xad", R"(\xc2\xad)"},                  // soft hyphen
        {"\xd8\x9c", R"(\xd8\x9c)"},                  // Arabic letter mark
        {"\xf3\xa0\x80\x81", R"(\xf3\xa0\x80\x81)"},  // language tag
    });
    // The characters beside those ranges print.
    for (const std::string visible : {"\xe2\x80\x8a", "\xe2\x80\x90", "\xe2\x80\xa7", "\xe2\x80\xaf",
                                      "\xe2\x81\xa5", "\xef\xbb\xbe", "\xc2\xa0", "\xf0\x9f\x98\xb7"}) {
        EXPECT_TRUE(isPrintableLine(visible)) << quotedValue(visible);
        EXPECT_EQ(quotedValue(visible), '"' + visible + '"');
    }
    // A byte order mark counts as one character of a cut value.
    EXPECT_EQ(quotedValue(std::string(59, '9') + "\xef\xbb\xbf"),
              '"' + std::string(59, '9') + R"(\xef\xbb\xbf")");
    // One leading byte order mark is a spreadsheet's; a second one is shown.
    EXPECT_EQ(
        observedRefusal("\xef\xbb\xbf\xef\xbb\xbf"
                        "day,infected\n1,3\n"),
        R"(--observed: c.csv:1: unknown column "\xef\xbb\xbfday"; expected day, date, not_infected, infected, )"
        "recovered, new_cases or cumulative_cases");
    EXPECT_EQ(observedRefusal("\xef\xbb\xbf"
                              "day,infected\n1,3\n"),
              "");
}

}  // namespace
