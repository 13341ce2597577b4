#pragma once
// What a front end asks of pandemie: the parameters, changes, seeds, runs,
// threads, scenarios, sweeps and observations of one call. A front end
// hands over each option's value as its user wrote it, by the option's
// keyword; the request is checked once, here, with the tool's messages,
// which name each option as the front end spells it.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "input/dates.h"
#include "model/ensemble.h"
#include "model/fit.h"
#include "model/observations.h"
#include "model/parameters.h"
#include "model/scenario.h"

namespace pandemie::app {

enum class Mode : std::uint8_t { run, ensemble, scenarios, sweep, fit };

// The matching runs a fit's forecast is made of, unless the runs are given.
inline constexpr std::int64_t defaultMatchingRuns = 200;
// The runs of every scenario of a comparison and every point of a sweep,
// unless the runs are given: their 10th and 90th percentiles then each
// have 10 runs beyond them, so the bands hold still from seed to seed.
inline constexpr std::int64_t defaultPointRuns = 100;
// Fewer runs per scenario or point than this get a note that their
// percentiles are rough.
inline constexpr std::int64_t fewPointRuns = 10;

struct Request {
    Parameters parameters;
    std::array<bool, parameterTable.size()> given{};  // the parameters set by the user
    std::uint64_t seed = windowSeed;
    std::int64_t runs = 1;
    int press = 1;  // of one run: the window's press-th run from the seed
    int threads = 1;
    Schedule changes;                                             // ordered by day
    std::vector<Scenario> scenarios;                              // empty for none
    std::vector<SweepAxis> sweeps;                                // at most two
    Outcome measure = Outcome::finalRecovered;                    // what a sweep's image shows
    Observations observed;                                        // persons of N; empty for none
    std::array<ParameterRange, fitQuantityTable.size()> prior{};  // a fit's: min == max held fixed
    RunScope scope;       // persons, first cases and days of every run
    int reportDelay = 0;  // a fit's days from a case's infectiousness to its count

    [[nodiscard]] Mode mode() const noexcept;
    [[nodiscard]] bool fits() const noexcept { return !observed.days.empty(); }
    [[nodiscard]] bool comparesScenarios() const noexcept { return !scenarios.empty(); }
};

// How a front end's messages name its options.
struct Wording {
    // "--first-day" or "first_day" for the keyword "first_day".
    std::function<std::string(std::string_view keyword)> name;
    std::string assignment = " ";        // between a name and its value
    std::string fixedBy = "its option";  // what holds a given parameter fixed
    std::string fitName = "--observed";  // what a fit is asked by
    // Whether a message about a file's contents begins with its option's name.
    bool namesFiles = false;
};

// A scenario given by value: its name, its parameters' values and its
// changes as text, as a scenario file and --change write them.
struct ScenarioText {
    std::string name;
    std::map<std::string, std::string> values;
    std::vector<std::string> changes;
};

// Scenarios of a fit's forecast: the fit gives the parameters (`fitted`,
// the scenarios' defaults), so a scenario holds only changes, all after the
// last observed day.
void checkScenariosOfFit(const std::vector<Scenario>& scenarios, const Parameters& fitted,
                         int lastObservedDay, const Wording& wording);

// Scenarios given by value, each name once, parameters left out from
// `defaults`, changes on days 1..lastDay.
[[nodiscard]] std::vector<Scenario> scenariosOf(const std::vector<ScenarioText>& given,
                                                const Parameters& defaults, const Wording& wording,
                                                const input::DayReading& days = {});

// The options given so far, collected before they are checked together.
class RequestDraft {
public:
    explicit RequestDraft(Wording wording);

    // Sets the option `keyword` from its text; a repeatable one adds. Throws
    // input::UsageError with a message that follows the option's name.
    void set(std::string_view keyword, const std::string& text);
    // Observed counts as CSV text instead of --observed's file; `source` names them in messages.
    void setObservedText(std::string text, std::string source);
    // Scenarios by value instead of --scenarios's file.
    void setScenarios(std::vector<ScenarioText> scenarios);

    [[nodiscard]] bool given(std::string_view keyword) const { return given_.contains(keyword); }
    // The files the request reads, as (keyword, path): no output may replace them.
    [[nodiscard]] std::vector<std::pair<std::string, std::string>> inputFiles() const;

    // Checks which options go together. Throws input::UsageError.
    void check() const;
    // Checks, reads the files named and gives the request. Throws input::UsageError.
    [[nodiscard]] Request finish() &&;
    // The request as far as it is set, before the files are read.
    [[nodiscard]] const Request& draft() const noexcept { return request_; }

private:
    friend class OptionSetters;
    void checkSweeps() const;
    void checkScenarios() const;
    void checkFit() const;
    template <typename Read>
    void readOption(std::string_view keyword, const Read& read);
    void readScope();
    void readChanges();
    void readObserved();
    void readScenarios();
    [[nodiscard]] input::DayReading dayReading() const;
    [[nodiscard]] std::array<ParameterRange, fitQuantityTable.size()> fitPrior() const;
    [[nodiscard]] std::string name(std::string_view keyword) const { return wording_.name(keyword); }

    Wording wording_;
    std::set<std::string, std::less<>> given_;
    Request request_;
    std::string scenarioFile_;
    std::optional<std::vector<ScenarioText>> scenarioValues_;
    std::string observedFile_;
    std::optional<std::pair<std::string, std::string>> observedText_;  // text, source
    // Read once the scope is known, which sets their ranges.
    std::string initialCases_;
    std::vector<std::string> changes_;
    std::string firstDay_;  // empty: the file's days are the model's
    std::vector<std::pair<FitQuantity, ParameterRange>> priors_;
    std::optional<int> reporting_;  // --reporting, in the grid's units
};

// An option that sets a request from its text, as a front end offers it.
struct RequestOption {
    std::string keyword;    // "first_day"
    std::string valueName;  // "N", "FILE"
    std::string help;       // in the tool's words, for --help and the manual
    bool repeatable = false;
    std::string
        missingValueHint;  // said after "no value given", such as "; expected a whole number in 1..256"
};

// Every option of a request, the parameters first, in the order of --help.
[[nodiscard]] const std::vector<RequestOption>& requestOptions();
[[nodiscard]] const RequestOption& requestOption(std::string_view keyword);

}  // namespace pandemie::app
