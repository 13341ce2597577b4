#include "model/model.h"

#include <cmath>

#include "model/vector_clones.h"

namespace pandemie {

namespace {

EncounterRule ruleOf(const Parameters& parameters) noexcept {
    return {wholeNumberThreshold(parameters.infectionPerMille), parameters.latencyDays};
}

}  // namespace

int wholeNumberThreshold(float t) noexcept {
    if (!(t > 0)) return 0;
    if (t > 1001) return 1001;
    return static_cast<int>(std::ceil(t));
}

Epidemic::Epidemic(const Parameters& parameters, Random& random) noexcept
    : parameters_(parameters), rule_(ruleOf(parameters)), random_(random) {
    for (const int person : initialCases) personTable_.status[static_cast<std::size_t>(person)] = infected;
    dailyTally();
}

void Epidemic::setParameters(const Parameters& parameters) noexcept {
    parameters_ = parameters;
    rule_ = ruleOf(parameters);
}

void Epidemic::simulateDay(int day) noexcept {
    walk_.walk(parameters_.encountersPerDay * 1000, day, rule_, personTable_, random_);
    recoveryStep(day);
    dailyTally();
}

void Epidemic::simulateDayOfIndependentRun(int day) noexcept {
    if (encountersCanChangeTable())
        walk_.walk(parameters_.encountersPerDay * 1000, day, rule_, personTable_, random_);
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
    for (std::size_t k = 1; k < personCount; ++k) {
        const bool recovers = (status[k] == infected) & (infectionDay[k] <= lastInfectedDay);
        status[k] = recovers ? std::uint8_t{recovered} : status[k];
    }
}

// Counted as sums of comparisons rather than by status, so the loop runs in vector code.
PANDEMIE_VECTOR_CLONES void Epidemic::dailyTally() noexcept {
    int susceptible = 0;
    int infectedCount = 0;
    for (std::size_t k = 1; k < personCount; ++k) {
        susceptible += personTable_.status[k] == notInfected ? 1 : 0;
        infectedCount += personTable_.status[k] == infected ? 1 : 0;
    }
    counts_ = {susceptible, infectedCount, countedPersons - susceptible - infectedCount};
}

Trajectory runTrajectory(const Parameters& parameters, Random& random) {
    Trajectory trajectory{};
    runLinear(parameters, random, [&](int day, const DailyCounts& counts) {
        trajectory[static_cast<std::size_t>(day - 1)] = counts;
    });
    return trajectory;
}

Trajectory runSeeded(const Parameters& parameters, std::uint64_t seed,
                     std::span<const ParameterChange> changes) {
    SeededEpidemic run(parameters, seed);
    Trajectory trajectory{};
    stepDays(run, changes, runDays, [&](int day, const DailyCounts& counts) {
        trajectory[static_cast<std::size_t>(day - 1)] = counts;
        return true;
    });
    return trajectory;
}

}  // namespace pandemie
