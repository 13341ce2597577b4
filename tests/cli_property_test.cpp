// Random command lines for pandemie-cli from fixed seeds: many parsed in
// process against an independent account of what each one asks for, a few
// hundred run as real processes with their files checked afterwards.

#include <signal.h>  // NOLINT(modernize-deprecated-headers): with the POSIX names
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli_process.h"
#include "options.h"

namespace {

namespace fs = std::filesystem;
using cli_process::lines;
using cli_process::Outcome;
using cli_process::readFile;
using cli_process::runCli;
using cli_process::ScratchDirectory;
using pandemie::cli::CliOptions;
using pandemie::cli::ExitStatus;

constexpr std::uint64_t maxSeed = 18446744073709551615ULL;

struct WholeOption {
    const char* name;
    std::uint64_t min, max;
};

// The largest values of --runs and --threads that the process runs may use.
// and how often (in percent) a part of a command line is wrong.
struct Limits {
    std::uint64_t runs, threads;
    int wrongPercent;
};

const std::vector<WholeOption>& wholeOptions() {
    static const std::vector<WholeOption> options{
        {"--encounters", 0, 20}, {"--infection", 0, 20}, {"--latency", 0, 10},  {"--recovery", 8, 24},
        {"--seed", 0, maxSeed},  {"--runs", 1, 1000000}, {"--threads", 1, 256},
    };
    return options;
}

const std::vector<std::string> fileOptions{"--output", "--png", "--bands", "--summary"};

// What a command line asks for, worked out from its parts as they are made.
struct Request {
    std::vector<std::string> args;
    bool refused = false;
    std::map<std::string, std::uint64_t> numbers;  // last value of each whole-number option
    std::map<std::string, std::string> files;      // last value of each file option
};

[[nodiscard]] std::uint64_t lastOr(const Request& r, const std::string& name, std::uint64_t otherwise) {
    const auto it = r.numbers.find(name);
    return it == r.numbers.end() ? otherwise : it->second;
}

class CommandLines {
public:
    CommandLines(unsigned seed, std::vector<std::string> paths, Limits limits)
        : random_(seed), paths_(std::move(paths)), limits_(limits) {}

    Request next() {
        Request r;
        for (int parts = pick(0, 6); parts > 0; --parts) {
            const int kind = pick(0, 99);
            if (kind < 60)
                addWhole(r);
            else if (kind < 100 - limits_.wrongPercent / 4)
                addFile(r);
            else
                addStray(r);
        }
        if (pick(0, 29) == 0) {  // an option without its value at the end
            r.args.push_back(pick(0, 1) == 0 ? wholeOptions()[pickIndex(wholeOptions().size())].name
                                             : fileOptions[pickIndex(fileOptions.size())]);
            r.refused = true;
        }
        const bool ensemble = lastOr(r, "--runs", 1) > 1;
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
        if (pick(0, 3) == 0 && !value.empty()) {
            r.args.push_back(name + "=" + value);
        } else {
            r.args.push_back(name);
            r.args.push_back(value);
        }
    }

    void addWhole(Request& r) {
        const WholeOption& option = wholeOptions()[pickIndex(wholeOptions().size())];
        const std::string name = option.name;
        std::uint64_t high = option.max;
        if (name == "--runs") high = limits_.runs;
        if (name == "--threads") high = limits_.threads;
        if (pick(0, 99) >= limits_.wrongPercent) {
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
        if (pick(0, 99) < limits_.wrongPercent / 3) {
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
    Limits limits_;
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

[[nodiscard]] std::string joined(const std::vector<std::string>& args) {
    std::string text;
    for (const auto& arg : args) text += " [" + arg + "]";
    return text;
}

void expectOptionsAsRequested(const CliOptions& options, const Request& r) {
    const CliOptions defaults;
    const auto& p = options.parameters;
    EXPECT_EQ(p.encountersPerDay,
              int(lastOr(r, "--encounters", std::uint64_t(defaults.parameters.encountersPerDay))));
    EXPECT_EQ(p.infectionPerMille,
              float(lastOr(r, "--infection", std::uint64_t(defaults.parameters.infectionPerMille))));
    EXPECT_EQ(p.latencyDays, int(lastOr(r, "--latency", std::uint64_t(defaults.parameters.latencyDays))));
    EXPECT_EQ(p.recoveryDays, int(lastOr(r, "--recovery", std::uint64_t(defaults.parameters.recoveryDays))));
    EXPECT_EQ(p.calcDays, defaults.parameters.calcDays);
    EXPECT_EQ(options.seed, lastOr(r, "--seed", defaults.seed));
    EXPECT_EQ(options.runs, std::int64_t(lastOr(r, "--runs", 1)));
    const auto hardware = std::clamp<std::uint64_t>(std::thread::hardware_concurrency(), 1, 256);
    EXPECT_EQ(options.threads, int(lastOr(r, "--threads", hardware)));
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

TEST(cliProperty, parsedOptionsAreTheLastValidValuesOrOneLineOfRefusal) {
    const std::vector<std::string> paths{"out.csv", "dir/out.csv", "/nonexistent/x.csv", ".", "a b.png"};
    int tried = 0;
    int refused = 0;
    for (const unsigned seed : {11U, 12U, 13U}) {
        CommandLines commandLines(seed, paths, {1000000, 256, 40});
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

// Real runs ----------------------------------------------------------------

// Every field a count within its bounds; each row's three counts add up to
// the 1000 counted persons.
void expectRunsCsv(const std::string& csv, std::int64_t runs) {
    const auto rows = lines(csv);
    const bool ensemble = runs > 1;
    ASSERT_EQ(rows.size(), ensemble ? std::size_t(runs) + 1 : 181U);
    EXPECT_EQ(rows[0],
              ensemble ? "run,seed,peak_infected,peak_day,final_not_infected,final_infected,final_recovered"
                       : "day,not_infected,infected,recovered");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        std::vector<std::uint64_t> fields;
        std::istringstream in(rows[i]);
        for (std::string field; std::getline(in, field, ',');) {
            std::uint64_t value = 0;
            const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
            ASSERT_TRUE(error == std::errc{} && end == field.data() + field.size()) << rows[i];
            fields.push_back(value);
        }
        ASSERT_EQ(fields.size(), ensemble ? 7U : 4U) << rows[i];
        EXPECT_EQ(fields[0], ensemble ? i - 1 : i);
        if (ensemble) {
            EXPECT_LE(fields[2], 1000U) << rows[i];
            EXPECT_TRUE(fields[3] >= 1 && fields[3] <= 180) << rows[i];
            EXPECT_EQ(fields[4] + fields[5] + fields[6], 1000U) << rows[i];
        } else {
            for (std::size_t f = 1; f < 4; ++f) EXPECT_LE(fields[f], 1000U) << rows[i];
            EXPECT_EQ(fields[1] + fields[2] + fields[3], 1000U) << rows[i];
        }
    }
}

[[nodiscard]] std::set<std::string> entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
}

[[nodiscard]] bool unwritable(const std::string& path) {
    return fs::is_directory(path) || !fs::is_directory(fs::path(path).parent_path());
}

TEST(cliProperty, realRunsWriteWholeFilesOrFailOnOneLine) {
    int tried = 0;
    std::map<int, int> statuses;
    for (const unsigned seed : {21U, 22U}) {
        const ScratchDirectory work;
        const fs::path& dir = work.path();
        fs::create_directory(dir / "sub");
        const std::vector<std::string> paths{(dir / "out.csv").string(), (dir / "b.csv").string(),
                                             (dir / "c.png").string(),   (dir / "missing" / "x.csv").string(),
                                             (dir / "sub").string(),     dir.string()};
        CommandLines commandLines(seed, paths, {4, 3, 8});
        for (int i = 0; i < 150; ++i, ++tried) {
            const Request r = commandLines.next();
            SCOPED_TRACE("seed " + std::to_string(seed) + ":" + joined(r.args));
            for (const auto& name : entries(dir))
                if (name != "sub") fs::remove(dir / name);

            const Parsed parsed = parseInProcess(r.args);
            int expected = pandemie::cli::exitUsageError;
            std::vector<std::string> targets;
            if (const auto* options = std::get_if<CliOptions>(&parsed.result)) {
                if (options->writesCsv() && !options->toStandardOutput()) targets.push_back(options->output);
                for (const std::string* file : {&options->png, &options->bands, &options->summary})
                    if (!file->empty()) targets.push_back(*file);
                const bool fileTwice =
                    std::set<std::string>(targets.begin(), targets.end()).size() < targets.size();
                expected = fileTwice                                  ? pandemie::cli::exitUsageError
                           : std::ranges::any_of(targets, unwritable) ? pandemie::cli::exitWriteFailure
                                                                      : pandemie::cli::exitSuccess;
            }

            const Outcome run = runCli(r.args, cli_process::timeoutAfter(std::chrono::seconds(60)));
            ASSERT_FALSE(run.timedOut);
            ASSERT_TRUE(run.exited) << "ended by a signal";
            ++statuses[run.status];
            EXPECT_EQ(run.status, expected) << run.err;

            std::set<std::string> written{"sub"};
            if (run.status == 0) {
                const auto& options = std::get<CliOptions>(parsed.result);
                for (const auto& target : targets) written.insert(fs::path(target).filename().string());
                const std::vector<std::pair<std::string, std::string_view>> files{
                    {options.bands, "bands"},
                    {options.summary, "summary"},
                    {options.png, "png"},
                    {options.output, "runs"}};
                if (options.writesCsv() && options.toStandardOutput()) expectRunsCsv(run.out, options.runs);
                for (const auto& [path, what] : files) {
                    if (path.empty() || path == "-") continue;
                    const std::string contents = readFile(path);
                    if (what == "runs" && options.writesCsv()) expectRunsCsv(contents, options.runs);
                    if (what == "png") {
                        EXPECT_EQ(contents.substr(0, 4), "\x89PNG");
                    }
                    if (what == "bands") {
                        EXPECT_EQ(lines(contents).size(), 541U);
                    }
                    if (what == "summary") {
                        EXPECT_EQ(lines(contents).size(), 5U);
                    }
                }
                EXPECT_EQ(
                    run.err.rfind(options.isEnsemble() ? std::to_string(options.runs) + " runs\n" : "", 0),
                    0U);
                if (!options.isEnsemble()) {
                    EXPECT_EQ(run.err, "");
                }
            } else {
                EXPECT_EQ(run.out, "");
                EXPECT_EQ(lines(run.err).size(), 1U) << run.err;
            }
            EXPECT_EQ(entries(dir), written) << "no temporary or partial file is left";
            EXPECT_TRUE(fs::is_empty(dir / "sub"));
            if (HasFatalFailure()) return;
        }
    }
    std::printf("%d processes run: %d succeeded, %d write failures, %d refused\n", tried, statuses[0],
                statuses[1], statuses[2]);
    EXPECT_GT(statuses[0], tried / 10);
    EXPECT_GT(statuses[1], tried / 20);
}

}  // namespace
