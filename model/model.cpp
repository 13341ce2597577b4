#include "model.h"

namespace pandemie {

Epidemic::Epidemic(const Parameters& parameters, Random& random) noexcept
    : parameters_(parameters), random_(random) {
    for (const int person : initialCases) personTable_.status[static_cast<std::size_t>(person)] = infected;
}

void Epidemic::simulateDay(int day) noexcept {
    encounterStep(day);
    recoveryStep(day);
    dailyTally();
}

void Epidemic::encounterStep(int day) noexcept {
    auto& status = personTable_.status;
    auto& infectionDay = personTable_.infectionDay;
    const int encounters = parameters_.encountersPerDay * 1000;
    const int latency = parameters_.latencyDays;
    const float threshold = parameters_.infectionPerMille;
    const auto today = static_cast<std::int16_t>(day);
    int a = 0;
    int b = 0;
    int draw = infectionDraw;
    for (int n = 0; n < encounters; ++n) {
        a = random_.wholeNumber0To1000();
        b = random_.wholeNumber0To1000();
        const auto ia = static_cast<std::size_t>(a);
        const auto ib = static_cast<std::size_t>(b);
        if (status[ia] == status[ib]) continue;
        draw = random_.wholeNumber0To1000();
        const bool passes = static_cast<float>(draw) < threshold;
        if (passes && status[ib] == infected && status[ia] == notInfected && day - infectionDay[ib] > latency) {
            status[ia] = infected;
            infectionDay[ia] = today;
        }
        if (passes && status[ia] == infected && status[ib] == notInfected && day - infectionDay[ia] > latency) {
            status[ib] = infected;
            infectionDay[ib] = today;
        }
    }
    if (encounters > 0) {
        personA = a;
        personB = b;
        infectionDraw = draw;
    }
}

void Epidemic::recoveryStep(int day) noexcept {
    for (std::size_t k = 1; k < personCount; ++k) {
        if (personTable_.status[k] == infected && day - personTable_.infectionDay[k] >= parameters_.recoveryDays)
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

}  // namespace pandemie
