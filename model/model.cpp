#include "model/model.h"

#include <algorithm>
#include <cmath>

#include "model/vector_clones.h"

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
    for (const int person : initialCasesOf(scope)) personTable_.status[static_cast<std::size_t>(person)] = infected;
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
    walk_.walk(encountersOfDay(), day, rule_, personTable_, random_);
    recoveryStep(day);
    dailyTally();
}

void Epidemic::simulateDayOfIndependentRun(int day) noexcept {
    if (encountersCanChangeTable())
        walk_.walk(encountersOfDay(), day, rule_, personTable_, random_);
    recoveryStep(day);
    dailyTally();
}

bool Epidemic::encountersCanChangeTable() const noexcept {
    // The tally leaves out person 0.
    const std::uint8_t zero = personTable_.status[0];
    return counts_.countInfected + (zero == infected ? 1 : 0) > 0 &&
           counts_.countSusceptible + (zero == notInfected ? 1 : 0) > 0;
}

PANDEMIE_VECTOR_CLONES void Epidemic::recoveryStep(int day) noexcept {
    std::uint8_t* const status = personTable_.status.data();
    const std::int16_t* const infectionDay = personTable_.infectionDay.data();
    // Locals, so that the byte stores cannot alias them and the loop runs in vector code.
    const int lastInfectedDay = day - parameters_.recoveryDays;
    const auto persons = static_cast<std::size_t>(persons_) + 1;
    for (std::size_t k = 1; k < persons; ++k) {
        const bool recovers = (status[k] == infected) & (infectionDay[k] <= lastInfectedDay);
        status[k] = recovers ? std::uint8_t{recovered} : status[k];
    }
}

// Counted as sums of comparisons rather than by status, so the loop runs in vector code.
PANDEMIE_VECTOR_CLONES void Epidemic::dailyTally() noexcept {
    const std::uint8_t* const status = personTable_.status.data();
    const auto persons = static_cast<std::size_t>(persons_) + 1;
    int susceptible = 0;
    int infectedCount = 0;
    for (std::size_t k = 1; k < persons; ++k) {
        susceptible += status[k] == notInfected ? 1 : 0;
        infectedCount += status[k] == infected ? 1 : 0;
    }
    counts_ = {susceptible, infectedCount, persons_ - susceptible - infectedCount};
}

Trajectory runTrajectory(const Parameters& parameters, Random& random, const RunScope& scope) {
    Trajectory trajectory(static_cast<std::size_t>(scope.days));
    runLinear(
        parameters, random,
        [&](int day, const DailyCounts& counts) { trajectory[static_cast<std::size_t>(day - 1)] = counts; },
        scope);
    return trajectory;
}

Trajectory runSeeded(const Parameters& parameters, std::uint64_t seed, std::span<const ParameterChange> changes,
                     const RunScope& scope) {
    SeededEpidemic run(parameters, seed, scope);
    Trajectory trajectory(static_cast<std::size_t>(scope.days));
    stepDays(run, changes, scope.days, [&](int day, const DailyCounts& counts) {
        trajectory[static_cast<std::size_t>(day - 1)] = counts;
        return true;
    });
    return trajectory;
}

}  // namespace pandemie
