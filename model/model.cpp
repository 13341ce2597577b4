#include "model.h"

#include <algorithm>

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

void Epidemic::loadDraws(const Random& start, std::int64_t wanted) noexcept {
    draws_.fill(start, wanted);
    const std::int16_t* values = draws_.data();
    for (int i = 0; i < draws_.size(); ++i)
        drawnStatus_[static_cast<std::size_t>(i)] = personTable_.status[static_cast<std::size_t>(values[i])];
}

void Epidemic::markInfectedInDraws(int from, int person) noexcept {
    const std::int16_t* values = draws_.data();
    for (int i = from; i < draws_.size(); ++i)
        if (values[i] == person) drawnStatus_[static_cast<std::size_t>(i)] = infected;
}

void Epidemic::encounterStep(int day) noexcept {
    // The draws come from a buffer; an encounter uses two of them, and a
    // third, the infection draw, only when the two statuses differ, exactly
    // as if they were drawn one by one.
    //
    // Which values the next encounter uses depends on the statuses of this
    // one: a chain through every encounter of the day. To keep it short, the
    // buffer holds the status of each drawn person beside the value, so the
    // loads of one encounter decide where the next one starts. Statuses change only by
    // an infection, which is rare and then updates the buffer's remaining
    // entries for that person. There is no branch on whether the statuses
    // differ, which is unpredictable mid-epidemic; the only branch is taken
    // on an infection.
    auto& status = personTable_.status;
    auto& infectionDay = personTable_.infectionDay;
    const int encounters = parameters_.encountersPerDay * 1000;
    const int latency = parameters_.latencyDays;
    const float threshold = parameters_.infectionPerMille;
    int position = 0;
    loadDraws(random_, std::int64_t{3} * encounters);
    for (int remaining = encounters; remaining > 0;) {
        const std::int16_t* values = draws_.data();
        int lastStart = -1;
        int lastDrawStart = -1;
        // Each encounter takes at most three values, so a batch of a third of
        // the values left fits for sure; batches follow until fewer than three
        // values are left.
        for (int batch = std::min(remaining, (draws_.size() - position) / 3); batch > 0;
             batch = std::min(remaining, (draws_.size() - position) / 3)) {
            remaining -= batch;
            for (int n = 0; n < batch; ++n) {
                const int statusA = drawnStatus_[static_cast<std::size_t>(position)];
                const int statusB = drawnStatus_[static_cast<std::size_t>(position + 1)];
                const int statusesDiffer = static_cast<int>(statusA != statusB);
                lastStart = position;
                lastDrawStart = statusesDiffer != 0 ? position : lastDrawStart;
                position += 2 + statusesDiffer;

                const auto a = static_cast<std::size_t>(values[lastStart]);
                const auto b = static_cast<std::size_t>(values[lastStart + 1]);
                const float draw = values[lastStart + 2];
                // Only a pair of one infected and one not infected person can
                // pass the infection on, and then only one way.
                const std::size_t infector = statusA == infected ? a : b;
                const std::size_t target = statusA == infected ? b : a;
                const int infects = static_cast<int>(statusA + statusB == notInfected + infected) &
                                    static_cast<int>(draw < threshold) &
                                    static_cast<int>(day - infectionDay[infector] > latency);
                if (infects != 0) [[unlikely]] {
                    status[target] = infected;
                    infectionDay[target] = static_cast<std::int16_t>(day);
                    markInfectedInDraws(position, static_cast<int>(target));
                }
            }
        }
        if (lastStart >= 0) {
            personA = values[lastStart];
            personB = values[lastStart + 1];
        }
        if (lastDrawStart >= 0) infectionDraw = values[lastDrawStart + 2];
        if (remaining > 0) {
            loadDraws(draws_.stateAt(position), std::int64_t{3} * remaining);
            position = 0;
        }
    }
    random_ = draws_.stateAt(position);
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

}  // namespace pandemie
