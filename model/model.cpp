#include "model/model.h"

#include <algorithm>
#include <cmath>

namespace pandemie {

namespace {

EncounterRule ruleOf(const Parameters& parameters) noexcept {
    return {wholeNumberThreshold(parameters.infectionPerMille), parameters.latencyDays};
}

}  // namespace

std::vector<int> initialCasesOf(const RunScope& scope) {
    const std::int64_t persons = scope.persons;
    const std::int64_t cases = scope.initialCases;
    std::vector<int> chosen;
    chosen.reserve(static_cast<std::size_t>(std::max<std::int64_t>(cases, 0)));
    // (i + 3/2) / (K + 2) of N = N (2i + 3) / (2K + 4), rounded half up.
    for (std::int64_t i = 0; i < cases; ++i)
        chosen.push_back(static_cast<int>((2 * persons * (2 * i + 3) + 2 * cases + 4) / (4 * cases + 8)));
    return chosen;
}

int wholeNumberThreshold(float t) noexcept {
    if (!(t > 0)) return 0;
    if (t > 1001) return 1001;
    return static_cast<int>(std::ceil(t));
}

Epidemic::Epidemic(const Parameters& parameters, Random& random, const RunScope& scope)
    : parameters_(parameters),
      persons_(scope.persons),
      rule_(ruleOf(parameters)),
      random_(random),
      personTable_(scope.persons) {
    for (const int person : initialCasesOf(scope)) personTable_.infect(person, 0);
    dailyTally();
}

void Epidemic::setParameters(const Parameters& parameters) noexcept {
    parameters_ = parameters;
    rule_ = ruleOf(parameters);
}

// Encounters keep their meaning per 1000 persons: each person meets as often
// in any population.
std::int64_t Epidemic::encountersOfDay() const noexcept {
    return std::int64_t{parameters_.encountersPerDay} * persons_;
}

void Epidemic::simulateDay(int day) noexcept {
    walk(day);
    recoveryStep(day);
    dailyTally();
}

void Epidemic::simulateDayOfIndependentRun(int day) noexcept {
    if (encountersCanChangeTable()) walk(day);
    recoveryStep(day);
    dailyTally();
}

void Epidemic::walk(int day) noexcept {
    walk_.walk(encountersOfDay(), day, rule_, statusCounts(), personTable_, random_);
}

// Persons 0..N, from the last tally of 1..N and person 0.
StatusCounts Epidemic::statusCounts() const noexcept {
    StatusCounts all{counts_.countSusceptible, counts_.countInfected, counts_.countRecovered};
    ++all[personTable_.status[0]];
    return all;
}

bool Epidemic::encountersCanChangeTable() const noexcept {
    const StatusCounts all = statusCounts();
    return all[infected] > 0 && all[notInfected] > 0;
}

// Every infected person whose infection day lies recoveryDays or more back
// recovers, except person 0. The infection order is sorted by day, so those
// are the next ones in it.
void Epidemic::recoveryStep(int day) noexcept {
    const std::vector<std::int32_t>& order = personTable_.infectionOrder;
    const int lastInfectedDay = day - parameters_.recoveryDays;
    for (; firstNotRecovered_ < order.size(); ++firstNotRecovered_) {
        const auto person = static_cast<std::size_t>(order[firstNotRecovered_]);
        if (personTable_.infectionDay[person] > lastInfectedDay) break;
        if (person == 0) continue;
        personTable_.setStatus(person, recovered);
        ++recoveredCount_;
    }
}

void Epidemic::dailyTally() noexcept {
    const std::vector<std::int32_t>& order = personTable_.infectionOrder;
    for (; tallied_ < order.size(); ++tallied_) everInfected_ += order[tallied_] != 0 ? 1 : 0;
    counts_ = {persons_ - everInfected_, everInfected_ - recoveredCount_, recoveredCount_};
}

Trajectory runTrajectory(const Parameters& parameters, Random& random, const RunScope& scope) {
    Trajectory trajectory(static_cast<std::size_t>(scope.days));
    runLinear(
        parameters, random,
        [&](int day, const DailyCounts& counts) { trajectory[static_cast<std::size_t>(day - 1)] = counts; },
        scope);
    return trajectory;
}

Trajectory runSeeded(const Parameters& parameters, std::uint64_t seed,
                     std::span<const ParameterChange> changes, const RunScope& scope) {
    SeededEpidemic run(parameters, seed, scope);
    Trajectory trajectory(static_cast<std::size_t>(scope.days));
    stepDays(run, changes, scope.days, [&](int day, const DailyCounts& counts) {
        trajectory[static_cast<std::size_t>(day - 1)] = counts;
        return true;
    });
    return trajectory;
}

}  // namespace pandemie
