#include "model.h"

#include <cmath>

namespace pandemie {

namespace {

// The smallest whole number n with d < t equivalent to d < n for every draw d
// in 0..1000; a NaN threshold lets nothing through, like the comparison.
int wholeNumberThreshold(float t) noexcept {
    if (!(t > 0)) return 0;
    if (t > 1001) return 1001;
    return static_cast<int>(std::ceil(t));
}

EncounterRule ruleOf(const Parameters& parameters) noexcept {
    return {wholeNumberThreshold(parameters.infectionPerMille), parameters.latencyDays};
}

}  // namespace

Epidemic::Epidemic(const Parameters& parameters, Random& random) noexcept
    : parameters_(parameters), rule_(ruleOf(parameters)), random_(random) {
    for (const int person : initialCases) personTable_.status[static_cast<std::size_t>(person)] = infected;
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
    bool someoneInfected = false;
    bool someoneSusceptible = false;
    for (const std::uint8_t status : personTable_.status) {
        someoneInfected |= status == infected;
        someoneSusceptible |= status == notInfected;
    }
    return someoneInfected && someoneSusceptible;
}

void Epidemic::recoveryStep(int day) noexcept {
    for (std::size_t k = 1; k < personCount; ++k) {
        if (personTable_.status[k] == infected &&
            day - personTable_.infectionDay[k] >= parameters_.recoveryDays)
            personTable_.status[k] = recovered;
    }
}

void Epidemic::dailyTally() noexcept {
    std::array<int, 3> perStatus{};
    for (std::size_t k = 1; k < personCount; ++k) ++perStatus[personTable_.status[k]];
    counts_ = {perStatus[notInfected], perStatus[infected], perStatus[recovered]};
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
    Random random(seed);
    Epidemic epidemic(parameters, random);
    Trajectory trajectory{};
    auto change = changes.begin();
    for (int day = 1; day <= runDays; ++day) {
        for (; change != changes.end() && change->day <= day; ++change)
            epidemic.setParameters(change->parameters);
        epidemic.simulateDayOfIndependentRun(day);
        trajectory[static_cast<std::size_t>(day - 1)] = epidemic.counts();
    }
    return trajectory;
}

}  // namespace pandemie
