// The tool's parts in process: its command line (named bad values, and
// random command lines from fixed seeds against an independent account of
// what each one asks for), its messages and its progress line.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "cli/option_parser.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "input/characters.h"
#include "input/quoted.h"
#include "output/command_line.h"
#include "tests/cli_process.h"
#include "tests/scratch.h"

namespace {

using cli_process::lines;
using pandemie::cli::CliOptions;
using pandemie::cli::ExitStatus;

constexpr std::uint64_t maxSeed = 18446744073709551615ULL;

struct WholeOption {
    const char* name;
    std::uint64_t min, max;
};

// How often (in percent) a part of a command line is wrong.
constexpr int wrongPercent = 40;

const std::vector<WholeOption>& wholeOptions() {
    static const std::vector<WholeOption> options{
        {"--encounters", 0, 100}, {"--infection", 0, 1000},       {"--latency", 0, 60},
        {"--recovery", 1, 120},   {"--population", 10, 10000000}, {"--days", 1, 1000},
        {"--seed", 0, maxSeed},   {"--runs", 1, 1000000},         {"--threads", 1, 256},
    };
    return options;
}

const std::vector<std::string> fileOptions{"--output", "--png", "--bands", "--summary"};

// What a command line asks for, worked out from its parts as they are made.
struct Request {
    std::vector<std::string> args;
    bool refused = false;
    std::map<std::string, std::uint64_t> numbers;  // the value of each whole-number option
    std::map<std::string, std::string> files;      // the value of each file option
    std::vector<std::string> names;                // the options given, a repeated one refused
};

[[nodiscard]] std::uint64_t valueOr(const Request& r, const std::string& name, std::uint64_t otherwise) {
    const auto it = r.numbers.find(name);
    return it == r.numbers.end() ? otherwise : it->second;
}

class CommandLines {
public:
    CommandLines(unsigned seed, std::vector<std::string> paths) : random_(seed), paths_(std::move(paths)) {}

    Request next() {
        Request r;
        for (int parts = pick(0, 6); parts > 0; --parts) {
            const int kind = pick(0, 99);
            if (kind < 60)
                addWhole(r);
            else if (kind < 100 - wrongPercent / 4)
                addFile(r);
            else
                addStray(r);
        }
        if (pick(0, 29) == 0) {  // an option without its value at the end
            r.args.push_back(pick(0, 1) == 0 ? wholeOptions()[pickIndex(wholeOptions().size())].name
                                             : fileOptions[pickIndex(fileOptions.size())]);
            r.refused = true;
        }
        const bool ensemble = valueOr(r, "--runs", 1) > 1;
        if (!ensemble && (r.files.contains("--bands") || r.files.contains("--summary"))) r.refused = true;
        return r;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    std::size_t pickIndex(std::size_t size) { return static_cast<std::size_t>(pick(0, int(size) - 1)); }
    std::uint64_t pickWide(std::uint64_t low, std::uint64_t high) {
        return std::uniform_int_distribution<std::uint64_t>(low, high)(random_);
    }

    void addPair(Request& r, const std::string& name, const std::string& value) {
        if (std::ranges::find(r.names, name) != r.names.end()) r.refused = true;
        r.names.push_back(name);
        if (pick(0, 3) == 0) {  // "--name=" is the empty value
            r.args.push_back(name + "=" + value);
        } else {
            r.args.push_back(name);
            r.args.push_back(value);
        }
    }

    // Most repeats are left out, so that enough command lines are accepted.
    bool skipsRepeat(const Request& r, const std::string& name) {
        return std::ranges::find(r.names, name) != r.names.end() && pick(0, 3) != 0;
    }

    void addWhole(Request& r) {
        const WholeOption& option = wholeOptions()[pickIndex(wholeOptions().size())];
        const std::string name = option.name;
        if (skipsRepeat(r, name)) return;
        const std::uint64_t high = option.max;
        if (pick(0, 99) >= wrongPercent) {
            const std::uint64_t value =
                pick(0, 4) == 0 ? (pick(0, 1) ? option.min : high) : pickWide(option.min, high);
            addPair(r, name, std::to_string(value));
            r.numbers[name] = value;
            return;
        }
        r.refused = true;
        if (pick(0, 1) == 0) {  // just outside the range, or beyond 64 bits
            std::vector<std::string> outside{std::to_string(option.max) + "0", "18446744073709551616",
                                             "99999999999999999999999"};
            if (option.max < maxSeed) outside.push_back(std::to_string(option.max + 1));
            if (option.min > 0) outside.push_back(std::to_string(option.min - 1));
            addPair(r, name, outside[pickIndex(outside.size())]);
            return;
        }
        static const std::vector<std::string> malformed{"",   "5x",  "2.5", "0x10", "-1", "+3",  " 3",
                                                        "3 ", "1e3", "٣",   "--",   "-0", "1,5", "00x"};
        addPair(r, name, malformed[pickIndex(malformed.size())]);
    }

    void addFile(Request& r) {
        const std::string& name = fileOptions[pickIndex(fileOptions.size())];
        if (skipsRepeat(r, name)) return;
        if (pick(0, 99) < wrongPercent / 3) {
            addPair(r, name, "");
            r.refused = true;
            return;
        }
        std::string value = paths_[pickIndex(paths_.size())];
        if (name == "--output" && pick(0, 5) == 0) value = "-";
        addPair(r, name, value);
        r.files[name] = value;
    }

    void addStray(Request& r) {
        static const std::vector<std::string> strays{"--bogus", "-x", "stray",         "--Runs", "--run",
                                                     "---runs", "-",  "--output-file", "42"};
        r.args.push_back(strays[pickIndex(strays.size())]);
        r.refused = true;
    }

    std::mt19937_64 random_;
    std::vector<std::string> paths_;
};

struct Parsed {
    std::variant<CliOptions, ExitStatus> result;
    std::string out, err;
};

Parsed parseInProcess(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"pandemie-cli"};
    for (const auto& arg : args) argv.push_back(arg.c_str());
    std::ostringstream out;
    std::ostringstream err;
    auto* const oldOut = std::cout.rdbuf(out.rdbuf());
    auto* const oldErr = std::cerr.rdbuf(err.rdbuf());
    auto result = pandemie::cli::parseCommandLine(static_cast<int>(argv.size()), argv.data());
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    return {std::move(result), out.str(), err.str()};
}

TEST(cli, badValuesAreRefusedOnOneLine) {
    struct Case {
        std::string option, value, range;
    };
    const Case cases[] = {
        {"--encounters", "101", "0..100"},
        {"--infection", "2.5", "0..1000"},
        {"--latency", "5x", "0..60"},
        {"--recovery", "0", "1..120"},
        {"--population", "9", "10..10000000"},
        {"--population", "10000001", "10..10000000"},
        {"--initial", "0", "1..4999998"},
        {"--initial", "499", "1..498"},
        {"--days", "1001", "1..1000"},
        {"--days", "0", "1..1000"},
        {"--seed", "-1", "0..18446744073709551615"},
        {"--seed", "18446744073709551616", "0..18446744073709551615"},
        {"--runs", "0", "1..1000000"},
        {"--threads", "", "1..256"},
        {"--threads", "0x10", "1..256"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option + " " + c.value);
        const Parsed run = parseInProcess({c.option, c.value});
        EXPECT_EQ(std::get<ExitStatus>(run.result), pandemie::cli::exitUsageError);
        ASSERT_EQ(lines(run.err).size(), 1U);
        EXPECT_NE(run.err.find(c.option + ": "), std::string::npos);
        EXPECT_NE(run.err.find(c.value.empty() ? "\"\"" : c.value), std::string::npos);
        EXPECT_NE(run.err.find(c.range), std::string::npos);
    }
    // Ranges that follow N and D, whatever the order of the options.
    const std::vector<std::pair<std::vector<std::string>, std::string>> scoped{
        {{"--initial", "4", "--population", "11"}, "--initial: \"4\" is not a whole number in 1..3"},
        {{"--change", "15:encounters=3", "--days", "14"}, "day \"15\" is not a whole number in 1..14"},
        {{"--days", "14", "--change", "3:recovery=121"}, "recovery \"121\" is not a whole number in 1..120"},
    };
    for (const auto& [args, message] : scoped) {
        SCOPED_TRACE(args.front());
        const Parsed run = parseInProcess(args);
        EXPECT_EQ(std::get<ExitStatus>(run.result), pandemie::cli::exitUsageError);
        ASSERT_EQ(lines(run.err).size(), 1U);
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    }
    for (const std::string arg : {"--bogus", "stray"}) {
        const Parsed run = parseInProcess({"--runs", "2", arg});
        EXPECT_EQ(std::get<ExitStatus>(run.result), pandemie::cli::exitUsageError);
        EXPECT_EQ(lines(run.err).size(), 1U);
        EXPECT_NE(run.err.find(arg), std::string::npos);
    }
}

[[nodiscard]] std::string joined(const std::vector<std::string>& args) {
    std::string text;
    for (const auto& arg : args) text += " [" + arg + "]";
    return text;
}

void expectOptionsAsRequested(const CliOptions& options, const Request& r) {
    const CliOptions defaults;
    const auto& d = defaults.request;
    const auto& p = options.request.parameters;
    EXPECT_EQ(p.encountersPerDay,
              int(valueOr(r, "--encounters", std::uint64_t(d.parameters.encountersPerDay))));
    EXPECT_EQ(p.infectionPerMille,
              float(valueOr(r, "--infection", std::uint64_t(d.parameters.infectionPerMille))));
    EXPECT_EQ(p.latencyDays, int(valueOr(r, "--latency", std::uint64_t(d.parameters.latencyDays))));
    EXPECT_EQ(p.recoveryDays, int(valueOr(r, "--recovery", std::uint64_t(d.parameters.recoveryDays))));
    EXPECT_EQ(p.calcDays, d.parameters.calcDays);
    EXPECT_EQ(options.request.scope.persons, int(valueOr(r, "--population", 1000)));
    EXPECT_EQ(options.request.scope.days, int(valueOr(r, "--days", 180)));
    EXPECT_EQ(options.request.scope.initialCases, 3);
    EXPECT_EQ(options.request.seed, valueOr(r, "--seed", d.seed));
    EXPECT_EQ(options.request.runs, std::int64_t(valueOr(r, "--runs", 1)));
    const auto hardware = std::clamp<std::uint64_t>(std::thread::hardware_concurrency(), 1, 256);
    EXPECT_EQ(options.request.threads, int(valueOr(r, "--threads", hardware)));
    const auto file = [&](const std::string& name, const std::string& otherwise) {
        const auto it = r.files.find(name);
        return it == r.files.end() ? otherwise : it->second;
    };
    EXPECT_EQ(options.output, file("--output", "-"));
    EXPECT_EQ(options.outputGiven, r.files.contains("--output"));
    EXPECT_EQ(options.png, file("--png", ""));
    EXPECT_EQ(options.bands, file("--bands", ""));
    EXPECT_EQ(options.summary, file("--summary", ""));
}

TEST(cliProperty, parsedOptionsAreTheValidValuesOrOneLineOfRefusal) {
    const std::vector<std::string> paths{"out.csv", "dir/out.csv", "/nonexistent/x.csv", ".", "a b.png"};
    int tried = 0;
    int refused = 0;
    for (const unsigned seed : {11U, 12U, 13U}) {
        CommandLines commandLines(seed, paths);
        for (int i = 0; i < 2000; ++i, ++tried) {
            const Request r = commandLines.next();
            SCOPED_TRACE("seed " + std::to_string(seed) + ":" + joined(r.args));
            const Parsed parsed = parseInProcess(r.args);
            EXPECT_EQ(parsed.out, "");
            if (const auto* status = std::get_if<ExitStatus>(&parsed.result)) {
                ++refused;
                EXPECT_TRUE(r.refused);
                EXPECT_EQ(*status, pandemie::cli::exitUsageError);
                ASSERT_EQ(lines(parsed.err).size(), 1U) << parsed.err;
                EXPECT_EQ(parsed.err.rfind("pandemie-cli: ", 0), 0U) << parsed.err;
                EXPECT_EQ(parsed.err.back(), '\n');
            } else {
                ASSERT_FALSE(r.refused) << "accepted";
                EXPECT_EQ(parsed.err, "");
                expectOptionsAsRequested(std::get<CliOptions>(parsed.result), r);
            }
            if (HasFatalFailure()) return;
        }
    }
    std::printf("%d command lines parsed, %d refused\n", tried, refused);
    EXPECT_GT(refused, tried / 5);
    EXPECT_LT(refused, tried * 4 / 5);
}

TEST(cliProgress, lineShowsRunsAndTimesAndFitsTheTerminal) {
    EXPECT_EQ(
        pandemie::cli::progressLine(500, 1000, std::chrono::seconds(12), 120),
        "[" + std::string(20, '#') + std::string(20, '.') + "]  50%  500/1000 runs  0:12 elapsed  0:12 left");
    EXPECT_EQ(pandemie::cli::progressLine(1, 1, std::chrono::seconds(3), 14), "100%  1/1 run");
    EXPECT_EQ(pandemie::cli::progressLine(0, 7, std::chrono::seconds(3), 120),
              "[" + std::string(40, '.') + "]   0%  0/7 runs  0:03 elapsed  ? left");
    EXPECT_EQ(pandemie::cli::progressLine(1, 4, std::chrono::seconds(3725), 120).substr(42),
              "  25%  1/4 runs  1:02:05 elapsed  3:06:15 left");
    // A count beyond either end shows as that end.
    EXPECT_EQ(pandemie::cli::progressLine(9, 7, std::chrono::seconds(1), 80),
              pandemie::cli::progressLine(7, 7, std::chrono::seconds(1), 80));
    EXPECT_EQ(pandemie::cli::progressLine(-2, 7, std::chrono::seconds(1), 80),
              pandemie::cli::progressLine(0, 7, std::chrono::seconds(1), 80));
    for (int columns = 1; columns <= 130; ++columns) {
        for (std::int64_t done = 0; done <= 1000; done += 111) {
            const std::string line =
                pandemie::cli::progressLine(done, 1000, std::chrono::seconds(4000), columns);
            EXPECT_LT(static_cast<int>(line.size()), std::max(columns, 2)) << columns;
            if (columns >= 30) {
                EXPECT_NE(line.find(std::to_string(done) + "/1000 runs"), std::string::npos);
            }
            // Fields are whole: the line ends after one, never within a number.
            if (!line.empty()) {
                EXPECT_TRUE(line.ends_with('%') || line.ends_with(" runs") || line.ends_with(" left"))
                    << columns << ": " << line;
            }
            const auto filled = std::ranges::count(line, '#');
            if (line.starts_with('[')) {
                EXPECT_EQ(filled, done * static_cast<std::int64_t>(line.find(']') - 1) / 1000);
            }
        }
    }
}

TEST(cliProgress, workRunsToTheEndAndItsExceptionsReachTheCaller) {
    std::int64_t seen = -1;
    pandemie::cli::runWithProgress(3, pandemie::cli::Progress::shown, [&](std::atomic<std::int64_t>* done) {
        done->store(3);
        seen = done->load();
    });
    EXPECT_EQ(seen, 3);
    EXPECT_THROW(pandemie::cli::runWithProgress(
                     3, pandemie::cli::Progress::quiet,
                     [](std::atomic<std::int64_t>*) { throw std::runtime_error("disk full"); }),
                 std::runtime_error);
}

TEST(cliMessages, valuesShowAsTypedInOneLineAndMistypedOptionsFindTheirMatch) {
    using pandemie::input::quotedValue;
    EXPECT_EQ(quotedValue(" 5"), "\" 5\"");
    EXPECT_EQ(quotedValue(""), "\"\"");
    EXPECT_EQ(quotedValue("a\tb\n\x01\x7f\"\\"), R"("a\tb\n\x01\x7f\"\\")");
    EXPECT_EQ(quotedValue("\xc3\xa4\xff\xc3"),
              "\"\xc3\xa4\\xff\\xc3\"");  // an umlaut stays, stray bytes do not
    EXPECT_EQ(quotedValue(std::string(60, '9')), '"' + std::string(60, '9') + '"');
    EXPECT_EQ(quotedValue(std::string(61, '9')), '"' + std::string(60, '9') + "\u2026\"");
    EXPECT_EQ(pandemie::input::shownPath("out/p.png"), "out/p.png");
    EXPECT_EQ(pandemie::input::shownPath("a\nb"), R"("a\nb")");

    const std::vector<std::string> known{"--runs", "--seed", "--summary", "--sweep", "--scenarios"};
    using pandemie::cli::meantOptions;
    using Names = std::vector<std::string>;
    EXPECT_EQ(meantOptions("--run", known), Names{"--runs"});
    EXPECT_EQ(meantOptions("--seeed", known), Names{"--seed"});
    EXPECT_EQ(meantOptions("--swep", known), Names{"--sweep"});
    EXPECT_EQ(meantOptions("--colour", known), Names{});
    // Letter case aside, a swap of neighbours is one edit: two swaps are two.
    EXPECT_EQ(meantOptions("--SEED", known), Names{"--seed"});
    EXPECT_EQ(meantOptions("--sede", known), Names{"--seed"});
    EXPECT_EQ(meantOptions("--ssummayr", known), Names{"--summary"});
    EXPECT_EQ(meantOptions("--usmmayr", known), Names{"--summary"});
    EXPECT_EQ(meantOptions("--usmmyar", known), Names{});
    // The start of exactly one option names it, however far from its end;
    // the start of several names them all, never the nearest of them.
    EXPECT_EQ(meantOptions("--summ", known), Names{"--summary"});
    EXPECT_EQ(meantOptions("--Se", known), Names{"--seed"});
    EXPECT_EQ(meantOptions("--S", known), (Names{"--scenarios", "--seed", "--summary", "--sweep"}));
    EXPECT_EQ(meantOptions("-", known), Names{});

    // A path is cut as a value is, later.
    const std::string deep = "/a/" + std::string(10'000, 'x');
    EXPECT_EQ(pandemie::input::shownPath(deep), '"' + deep.substr(0, 200) + "\u2026\"");
    EXPECT_EQ(pandemie::input::shownPath(deep.substr(0, 200)), deep.substr(0, 200));
    EXPECT_EQ(quotedValue("a\xc2\x85"), R"("a\xc2\x85")");

    using pandemie::input::isPrintableLine;
    EXPECT_TRUE(isPrintableLine("Kontaktbeschr\xc3\xa4nkung ab Tag 30 \xe2\x80\x93 \xf0\x9f\x98\xb7"));
    for (const std::string bad : {"a\x7f", "a\xc2\x85", "a\xc2\x9f", "a\n", "\xff", "\xc3", "\xe2\x80\xa8",
                                  "\xed\xa0\x80", "\xc0\xaf"})
        EXPECT_FALSE(isPrintableLine(bad)) << quotedValue(bad);
}

// The command-line text, pasted into bash, gives back the same bytes (\x31:
// a digit after escaped bytes).
TEST(cliMessages, commandLineTextIsUtf8ThatBashReadsBackToTheArguments) {
    const std::vector<std::string> args{"pandemie-cli",
                                        "--sweep",
                                        "encounters=0..20:2",
                                        "--threads",
                                        "4",
                                        "--png",
                                        "a b/it's \xc3\xa4.png",
                                        "--scenarios",
                                        "x\xff\xfe\x31\\'$\"`!",
                                        "--change",
                                        "\xc2\x85\x7f\n\t",
                                        "-q",
                                        ""};
    std::vector<const char*> argv;
    argv.reserve(args.size());
    for (const auto& arg : args) argv.push_back(arg.c_str());
    const std::string text = pandemie::output::commandLineText(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(text.find('\n'), std::string::npos);
    std::string_view rest = text;
    for (std::size_t length = 1; !rest.empty() && length > 0; rest.remove_prefix(length)) {
        length = pandemie::input::printableCharacterLength(rest);
    }
    EXPECT_TRUE(rest.empty()) << "not printable UTF-8 from " << pandemie::input::quotedValue(rest);

    const scratch::ScratchDirectory dir;
    std::ofstream(dir / "echo.sh") << "printf '%s\\0' " << text << '\n';
    const std::string command = "bash " + (dir / "echo.sh").string() + " > " + (dir / "args").string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string expected;
    for (std::size_t i = 0; i < args.size(); ++i)
        if (args[i] != "-q" && args[i] != "--threads" && (i == 0 || args[i - 1] != "--threads"))
            expected += args[i] + '\0';
    EXPECT_EQ(scratch::readFile(dir / "args"), expected) << text;
}

}  // namespace
