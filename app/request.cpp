#include "app/request.h"

#include <algorithm>

#include "input/changes.h"
#include "input/composed_text.h"
#include "input/input_file.h"
#include "input/measures.h"
#include "input/observed_file.h"
#include "input/parameter_names.h"
#include "input/priors.h"
#include "input/quoted.h"
#include "input/scenario_file.h"
#include "input/sweeps.h"
#include "input/usage_error.h"
#include "input/whole_number.h"
#include "model/ensemble.h"

namespace pandemie::app {

Mode Request::mode() const noexcept {
    if (fits()) return Mode::fit;
    if (!sweeps.empty()) return Mode::sweep;
    if (comparesScenarios()) return Mode::scenarios;
    return runs > 1 ? Mode::ensemble : Mode::run;
}

namespace {

using Setter = void (*)(RequestDraft&, const std::string&);

struct OptionEntry {
    RequestOption option;
    Setter set;
};

[[nodiscard]] std::string wholeNumberHelp(const std::string& description, input::WholeRange range,
                                          const std::string& defaultText) {
    return description + " (" + input::rangeText(range) + ", default " + defaultText + ")";
}

[[nodiscard]] std::string wholeNumberHint(input::WholeRange range) {
    return "; expected a whole number in " + input::rangeText(range);
}

[[nodiscard]] std::string measureHelp() {
    return "What a sweep's image shows: " + input::outcomeList() + " (default " +
           std::string(infoOf(Request{}.measure).name) + ")";
}

constexpr input::WholeRange reportDelayRange{0, 60};

void refuse(const std::string& message) {
    throw input::UsageError(message);
}

}  // namespace

// The setters reach into the draft; one per option.
class OptionSetters {
public:
    static void parameter(RequestDraft& draft, std::string_view keyword, const std::string& text) {
        const Parameter parameter = *parameterNamed(keyword);
        const auto value = input::wholeNumberIn(text, input::wholeRange(parameter));
        setParameterValue(draft.request_.parameters, parameter, static_cast<int>(value));
        draft.request_.given[static_cast<std::size_t>(parameter)] = true;
    }
    static void seed(RequestDraft& draft, const std::string& text) {
        draft.request_.seed = input::wholeNumberIn(text, input::seedRange);
    }
    static void press(RequestDraft& draft, const std::string& text) {
        draft.request_.press = static_cast<int>(input::wholeNumberIn(text, input::pressRange));
    }
    static void runs(RequestDraft& draft, const std::string& text) {
        draft.request_.runs = static_cast<std::int64_t>(input::wholeNumberIn(text, input::runsRange));
    }
    static void threads(RequestDraft& draft, const std::string& text) {
        draft.request_.threads = static_cast<int>(input::wholeNumberIn(text, input::threadsRange));
    }
    // Options whose range depends on N or D are checked against the widest
    // range at once, and again once N and D are known.
    static void change(RequestDraft& draft, const std::string& text) {
        // A date's day is known once the observed rows are read.
        if (!input::dateOfText(text.substr(0, std::min(text.find(':'), text.size())))) {
            Schedule alone;
            input::addChanges(alone, text, {scopeLimits.maxDays, std::nullopt});
        }
        draft.changes_.push_back(text);
    }
    static void scenarios(RequestDraft& draft, const std::string& text) {
        draft.scenarioFile_ = fileName(text);
    }
    static void sweep(RequestDraft& draft, const std::string& text) {
        draft.request_.sweeps.push_back(input::parseSweep(text));
    }
    static void measure(RequestDraft& draft, const std::string& text) {
        draft.request_.measure = input::parseMeasure(text);
    }
    static void observed(RequestDraft& draft, const std::string& text) {
        draft.observedFile_ = fileName(text);
    }
    static void population(RequestDraft& draft, const std::string& text) {
        draft.request_.scope.persons = static_cast<int>(input::wholeNumberIn(text, input::populationRange));
    }
    static void initial(RequestDraft& draft, const std::string& text) {
        static_cast<void>(input::wholeNumberIn(text, input::initialCasesRange(scopeLimits.maxPersons)));
        draft.initialCases_ = text;
    }
    static void days(RequestDraft& draft, const std::string& text) {
        draft.request_.scope.days = static_cast<int>(input::wholeNumberIn(text, input::daysRange));
    }
    static void firstDay(RequestDraft& draft, const std::string& text) {
        static_cast<void>(input::wholeNumberIn(text, input::daysRange));
        draft.firstDay_ = text;
    }
    static void prior(RequestDraft& draft, const std::string& text) {
        draft.priors_.push_back(input::parsePrior(text));
    }
    static void reporting(RequestDraft& draft, const std::string& text) {
        draft.reporting_ = input::reportingIn(text);
    }
    static void reportDelay(RequestDraft& draft, const std::string& text) {
        draft.request_.reportDelay = static_cast<int>(input::wholeNumberIn(text, reportDelayRange));
    }

private:
    [[nodiscard]] static std::string fileName(const std::string& path) {
        if (path.empty()) refuse("\"\" is not a file name");
        return path;
    }
};

namespace {

// The tool takes a parameter's toolRange; the window's slider, a part of it.
[[nodiscard]] std::vector<OptionEntry> parameterEntries() {
    std::vector<OptionEntry> entries;
    for (const ParameterInfo& info : parameterTable) {
        const input::WholeRange range = input::wholeRange(info.parameter);
        const ParameterRange window = parameterRange(info.parameter);
        entries.push_back(
            {{std::string(info.name), "N",
              std::string(info.description) + " (" + input::rangeText(range) + "; the window's slider " +
                  std::to_string(window.min) + ".." + std::to_string(window.max) + ", default " +
                  std::to_string(info.defaultValue) + ")",
              false, wholeNumberHint(range)},
             nullptr});
    }
    return entries;
}

[[nodiscard]] std::vector<OptionEntry> makeEntries() {
    std::vector<OptionEntry> entries = parameterEntries();
    const auto add = [&entries](std::string keyword, std::string valueName, std::string help, Setter set,
                                bool repeatable = false, std::string hint = "") {
        entries.push_back(
            {{std::move(keyword), std::move(valueName), std::move(help), repeatable, std::move(hint)}, set});
    };
    add("seed", "N",
        wholeNumberHelp("Seed of run 0; the default gives the window's first run", input::seedRange,
                        std::to_string(windowSeed)),
        &OptionSetters::seed, false, wholeNumberHint(input::seedRange));
    add("press", "N",
        wholeNumberHelp("One run, the N-th that the window's \"Berechnen\" draws from the seed while its "
                        "sliders stay: run N of one random sequence",
                        input::pressRange, "1, the window's first run"),
        &OptionSetters::press, false, wholeNumberHint(input::pressRange));
    add("runs", "N",
        wholeNumberHelp("Number of runs; more than 1 writes summaries", input::runsRange,
                        "1; with --scenarios or --sweep " + std::to_string(defaultPointRuns) +
                            " per scenario or point, enough for steady 10 % and 90 % percentiles"),
        &OptionSetters::runs, false, wholeNumberHint(input::runsRange));
    add("threads", "N",
        wholeNumberHelp("Worker threads; the output does not depend on them", input::threadsRange,
                        "one per processor core"),
        &OptionSetters::threads, false, wholeNumberHint(input::threadsRange));
    add("population", "N",
        wholeNumberHelp("Persons simulated in every run; observed counts are persons of them; the window's "
                        "runs have 1000",
                        input::populationRange, std::to_string(RunScope{}.persons)),
        &OptionSetters::population, false, wholeNumberHint(input::populationRange));
    add("initial", "K",
        "Persons infected on day 0 (1..N/2-2, default " + std::to_string(RunScope{}.initialCases) +
            "): case i of K (0..K-1) is person (i + 3/2)/(K + 2) of N, rounded half up, so 300, 500 "
            "and 700 of 1000",
        &OptionSetters::initial, false, "; expected a whole number in 1..N/2-2");
    add("days", "D",
        wholeNumberHelp("Days simulated in every run; the window's runs have 180", input::daysRange,
                        std::to_string(RunScope{}.days)),
        &OptionSetters::days, false, wholeNumberHint(input::daysRange));
    add("change", "DAY:NAME=VALUE[,NAME=VALUE...]",
        "From day DAY (1..D) on, the named parameters (" + input::parameterList() +
            ") have the new values; one day per --change, repeatable",
        &OptionSetters::change, true);
    add("scenarios", "FILE",
        "TOML file of named scenarios (- reads standard input), each run --runs times on the same seeds",
        &OptionSetters::scenarios);
    add("sweep", "NAME=VALUES",
        "NAME=FROM..TO[:STEP] or NAME=V1,V2,...: runs every value; once per --sweep, given twice a grid; "
        "--output gets one row per point",
        &OptionSetters::sweep, true);
    add("measure", "NAME", measureHelp(), &OptionSetters::measure);
    add("observed", "FILE",
        "CSV of observed counts (- reads standard input; separated by commas, semicolons or tabs; # starts "
        "a comment line; day or date, and any of not_infected, infected, recovered, new_cases, "
        "cumulative_cases): fits the parameters not given and forecasts days 1..D from the runs that match; "
        "--runs K is then the number of matching runs (default " +
            std::to_string(defaultMatchingRuns) + ")",
        &OptionSetters::observed);
    add("first_day", "N",
        "With --observed: the model's day of the file's first row (1..D, default the file's days are the "
        "model's; with dates the fit infers it); the other rows follow it",
        &OptionSetters::firstDay, false, "; expected a whole number in 1..D");
    add("prior", "NAME=FROM..TO",
        "With --observed: the values a parameter, reporting (0.001..1) or start may take, within the tool's "
        "range (default the window's slider range, reporting 0.001..1, start 1..120 days before dated "
        "data); once per name",
        &OptionSetters::prior, true);
    add("reporting", "R",
        "With --observed new cases: the share of cases counted, held fixed (0.001..1; default fitted)",
        &OptionSetters::reporting, false, "; expected a share in 0.001..1");
    add("report_delay", "D",
        wholeNumberHelp("With --observed new cases: days from a case's infectiousness to its count",
                        reportDelayRange, "0"),
        &OptionSetters::reportDelay, false, wholeNumberHint(reportDelayRange));
    return entries;
}

[[nodiscard]] const std::vector<OptionEntry>& optionEntries() {
    static const std::vector<OptionEntry> table = makeEntries();
    return table;
}

[[nodiscard]] const OptionEntry* entryOf(std::string_view keyword) {
    const auto& table = optionEntries();
    const auto found =
        std::ranges::find(table, keyword, [](const OptionEntry& e) { return e.option.keyword; });
    return found == table.end() ? nullptr : &*found;
}

}  // namespace

const std::vector<RequestOption>& requestOptions() {
    static const std::vector<RequestOption> options = [] {
        std::vector<RequestOption> list;
        for (const OptionEntry& entry : optionEntries()) list.push_back(entry.option);
        return list;
    }();
    return options;
}

const RequestOption& requestOption(std::string_view keyword) {
    const OptionEntry* entry = entryOf(keyword);
    if (entry == nullptr) throw std::logic_error("no request option " + std::string(keyword));
    return entry->option;
}

RequestDraft::RequestDraft(Wording wording) : wording_(std::move(wording)) {
    request_.threads = hardwareThreads();
}

void RequestDraft::set(std::string_view keyword, const std::string& text) {
    const OptionEntry* entry = entryOf(keyword);
    if (entry == nullptr) throw std::logic_error("no request option " + std::string(keyword));
    if (entry->set == nullptr) {
        OptionSetters::parameter(*this, keyword, text);
    } else {
        entry->set(*this, text);
    }
    given_.emplace(keyword);
}

void RequestDraft::setObservedText(std::string text, std::string source) {
    observedText_.emplace(std::move(text), std::move(source));
    given_.emplace("observed");
}

void RequestDraft::setScenarios(std::vector<ScenarioText> scenarios) {
    scenarioValues_ = std::move(scenarios);
    given_.emplace("scenarios");
}

std::vector<std::pair<std::string, std::string>> RequestDraft::inputFiles() const {
    std::vector<std::pair<std::string, std::string>> files;
    // Standard input is no file an output could replace.
    if (!observedFile_.empty() && observedFile_ != input::standardInput)
        files.emplace_back("observed", observedFile_);
    if (!scenarioFile_.empty() && scenarioFile_ != input::standardInput)
        files.emplace_back("scenarios", scenarioFile_);
    return files;
}

void RequestDraft::checkSweeps() const {
    const std::vector<SweepAxis>& sweeps = request_.sweeps;
    const std::string sweep = name("sweep");
    if (sweeps.size() > 2) refuse(sweep + ": at most two parameters can be swept");
    if (sweeps.size() == 2 && sweeps[0].parameter == sweeps[1].parameter)
        refuse(sweep + ": " + std::string(infoOf(sweeps[0].parameter).name) + " is swept twice");
    for (const SweepAxis& axis : sweeps) {
        const std::string swept(infoOf(axis.parameter).name);
        if (given(swept))
            refuse(
                name(swept).append(": cannot be combined with ").append(sweep).append(" of ").append(swept));
    }
    if (given("measure") && sweeps.empty()) refuse(name("measure") + ": needs " + sweep);
    if (!sweeps.empty() && given("scenarios"))
        refuse(sweep + ": cannot be combined with " + name("scenarios"));
}

void RequestDraft::checkScenarios() const {
    if (observedFile_ == input::standardInput && scenarioFile_ == input::standardInput)
        refuse(name("observed") + " and " + name("scenarios") +
               " both name standard input (-); at most one may");
    // A fit's changes hold the interventions that already happened.
    if (given("scenarios") && !changes_.empty() && !given("observed"))
        refuse(name("change") + ": with " + name("scenarios") + " the changes belong in the scenario file");
}

void RequestDraft::checkFit() const {
    const bool fits = given("observed");
    for (const char* const keyword : {"first_day", "prior", "reporting", "report_delay"})
        if (given(keyword) && !fits) refuse(name(keyword) + ": needs " + name("observed"));
    if (fits && given("sweep")) refuse(name("sweep") + ": cannot be combined with " + name("observed"));
}

namespace {

// Runs read with its messages after the option's name, where the front end
// names files so.
template <typename Read>
auto readFor(const Wording& wording, std::string_view keyword, const Read& read) {
    if (!wording.namesFiles) return read();
    try {
        return read();
    } catch (const input::UsageError& error) {
        // The reader's messages may name the tool's option already.
        const std::string message = error.what();
        const std::string option = "--" + std::string(keyword) + ": ";
        throw input::UsageError(wording.name(keyword) + ": " +
                                (message.starts_with(option) ? message.substr(option.size()) : message));
    }
}

}  // namespace

// Options whose range depends on N or D are read once those are known,
// whatever the order given; their messages follow the option's name.
template <typename Read>
void RequestDraft::readOption(std::string_view keyword, const Read& read) {
    try {
        read();
    } catch (const input::UsageError& error) {
        refuse(name(keyword) + ": " + error.what());
    }
}

void RequestDraft::readScope() {
    if (!given("initial")) return;
    readOption("initial", [this] {
        RunScope& scope = request_.scope;
        scope.initialCases =
            static_cast<int>(input::wholeNumberIn(initialCases_, input::initialCasesRange(scope.persons)));
    });
}

void RequestDraft::readChanges() {
    for (const std::string& text : changes_)
        readOption("change", [&] { input::addChanges(request_.changes, text, dayReading()); });
    request_.changes = sortedByDay(std::move(request_.changes));
}

void RequestDraft::readObserved() {
    const RunScope& scope = request_.scope;
    Observations observed = readFor(wording_, "observed", [&] {
        return observedText_ ? input::parseObservations(observedText_->first, observedText_->second,
                                                        scope.persons, scope.days)
                             : input::readObservations(observedFile_, scope.persons, scope.days);
    });
    if (given("first_day")) {
        int firstDay = 0;
        readOption("first_day", [&] {
            firstDay = static_cast<int>(input::wholeNumberIn(firstDay_, input::dayRangeOf(scope.days)));
        });
        observed = input::startingOnDay(std::move(observed), firstDay,
                                        name("first_day") + wording_.assignment, scope.days);
    }
    request_.observed = std::move(observed);
    request_.prior = fitPrior();
    if (!given("runs")) request_.runs = defaultMatchingRuns;
}

// Each parameter's whole range, or its value alone where it is given,
// narrowed by the priors given, one per name and none for a given one. New
// cases are counted with a share fitted unless --reporting holds it; dated
// rows start a number of days after the first infections, fitted unless
// --first-day gives the model's day.
std::array<ParameterRange, fitQuantityTable.size()> RequestDraft::fitPrior() const {
    std::array<ParameterRange, fitQuantityTable.size()> prior = defaultFitSettings().prior;
    std::array<bool, fitQuantityTable.size()> fixed{};
    for (const ParameterInfo& info : parameterTable) {
        const auto p = static_cast<std::size_t>(info.parameter);
        const int value = parameterValue(request_.parameters, info.parameter);
        fixed[p] = request_.given[p];
        prior[p] = fixed[p] ? ParameterRange{value, value} : ParameterRange{info.min, info.max};
    }
    const Observations& observed = request_.observed;
    const std::size_t reporting = indexOf(FitQuantity::reporting);
    fixed[reporting] = reporting_.has_value();
    if (reporting_)
        prior[reporting] = {*reporting_, *reporting_};
    else if (observed.counts(ObservedSeries::newCases))
        prior[reporting] = {1, reportingScale};
    const std::size_t start = indexOf(FitQuantity::start);
    fixed[start] = given("first_day");
    if (observed.dateOfDayOne && !fixed[start]) prior[start] = defaultStartPrior;
    const std::string option = name("prior") + ": ";
    for (std::size_t i = 0; i < priors_.size(); ++i) {
        const auto [quantity, range] = priors_[i];
        const std::size_t q = indexOf(quantity);
        const std::string quantityName(fitQuantityTable[q].name);
        if (fixed[q])
            refuse(option + quantityName + " is held fixed by " +
                   (q < parameterTable.size() ? wording_.fixedBy
                                              : name(q == reporting ? "reporting" : "first_day")));
        if (q == reporting && !observed.counts(ObservedSeries::newCases))
            refuse(option + "reporting needs new_cases or cumulative_cases in the observed counts");
        if (q == start && !observed.dateOfDayOne)
            refuse(option + "start needs dates in the observed counts; with days, " + name("first_day") +
                   " gives the model's day of the first row");
        for (std::size_t j = 0; j < i; ++j)
            if (priors_[j].first == quantity) refuse(option + quantityName + " is given twice");
        prior[q] = range;
    }
    return prior;
}

void RequestDraft::readScenarios() {
    request_.scenarios =
        scenarioValues_ ? scenariosOf(*scenarioValues_, request_.parameters, wording_, dayReading())
                        : readFor(wording_, "scenarios", [&] {
                              return input::loadScenarios(scenarioFile_, request_.parameters, dayReading());
                          });
    if (request_.fits())
        checkScenariosOfFit(request_.scenarios, request_.parameters, request_.observed.lastDay(), wording_);
}

void RequestDraft::check() const {
    if (given("press") &&
        (request_.runs > 1 || !request_.sweeps.empty() || given("scenarios") || given("observed")))
        refuse(name("press") + ": goes with one run only, not with " + name("runs") + " above 1, " +
               name("scenarios") + ", " + name("sweep") + " or " + name("observed"));
    checkSweeps();
    checkScenarios();
    checkFit();
}

input::DayReading RequestDraft::dayReading() const {
    return {request_.scope.days, request_.observed.dateOfDayOne};
}

Request RequestDraft::finish() && {
    readScope();
    check();
    if (given("observed")) readObserved();
    readChanges();
    if (given("scenarios")) readScenarios();
    if (!given("runs") && (!request_.sweeps.empty() || (request_.comparesScenarios() && !request_.fits())))
        request_.runs = defaultPointRuns;
    return std::move(request_);
}

void checkScenariosOfFit(const std::vector<Scenario>& scenarios, const Parameters& fitted,
                         int lastObservedDay, const Wording& wording) {
    for (const Scenario& scenario : scenarios) {
        const std::string name =
            wording.name("scenarios") + ": scenario " + input::quotedValue(scenario.name);
        if (scenario.parameters != fitted)
            refuse(name + " sets parameters; with " + wording.fitName +
                   " they come from the fit, and a scenario holds only changes");
        for (const Change& change : scenario.changes)
            if (change.day <= lastObservedDay)
                refuse(name + " changes day " + std::to_string(change.day) +
                       ", not after the last observed day " + std::to_string(lastObservedDay));
    }
}

std::vector<Scenario> scenariosOf(const std::vector<ScenarioText>& given, const Parameters& defaults,
                                  const Wording& wording, const input::DayReading& days) {
    std::vector<Scenario> scenarios;
    scenarios.reserve(given.size());
    for (const ScenarioText& text : given) {
        const std::string where = wording.name("scenarios") + ": scenario " + input::quotedValue(text.name);
        for (const Scenario& before : scenarios)
            if (input::composedText(before.name) == input::composedText(text.name))
                refuse(where + " is named twice" + input::spellingNote(before.name, text.name));
        Scenario scenario{text.name, defaults, {}};
        for (const auto& [key, value] : text.values) {
            const auto parameter = parameterNamed(key);
            if (!parameter)
                refuse(where + ": unknown parameter " + input::quotedValue(key) + "; expected " +
                       input::parameterList());
            try {
                setParameterValue(
                    scenario.parameters, *parameter,
                    static_cast<int>(input::wholeNumberIn(value, input::wholeRange(*parameter))));
            } catch (const input::UsageError& error) {
                refuse(std::string(where).append(": ").append(key).append(": ").append(error.what()));
            }
        }
        for (const std::string& change : text.changes) {
            try {
                input::addChanges(scenario.changes, change, days);
            } catch (const input::UsageError& error) {
                refuse(where + ": changes: " + error.what());
            }
        }
        scenario.changes = sortedByDay(std::move(scenario.changes));
        scenarios.push_back(std::move(scenario));
    }
    return scenarios;
}

}  // namespace pandemie::app
