#pragma once
// The model read literally, one draw at a time: the check on the buffered
// encounter walk in the tests and the baseline of the benchmark. Generator
// is anything with wholeNumber0To1000().

#include <array>

#include "model/model.h"

namespace pandemie::reference {

template <typename Generator>
Trajectory run(const Parameters& p, Generator& random) {
    std::array<int, 1001> status{};
    std::array<int, 1001> infectionDay{};
    status[300] = status[500] = status[700] = 1;
    Trajectory result(180);
    for (int day = 1; day <= 180; ++day) {
        for (int n = 0; n < p.encountersPerDay * 1000; ++n) {
            const int a = random.wholeNumber0To1000();
            const int b = random.wholeNumber0To1000();
            if (status[a] == status[b]) continue;
            const int draw = random.wholeNumber0To1000();
            if (status[b] == 1 && status[a] == 0 && day - infectionDay[b] > p.latencyDays &&
                static_cast<float>(draw) < p.infectionPerMille) {
                status[a] = 1;
                infectionDay[a] = day;
            }
            if (status[a] == 1 && status[b] == 0 && day - infectionDay[a] > p.latencyDays &&
                static_cast<float>(draw) < p.infectionPerMille) {
                status[b] = 1;
                infectionDay[b] = day;
            }
        }
        for (int k = 1; k <= 1000; ++k)
            if (status[k] == 1 && day - infectionDay[k] >= p.recoveryDays) status[k] = 2;
        DailyCounts& c = result[static_cast<std::size_t>(day - 1)];
        for (int k = 1; k <= 1000; ++k) {
            if (status[k] == 0) ++c.countSusceptible;
            if (status[k] == 1) ++c.countInfected;
            if (status[k] == 2) ++c.countRecovered;
        }
    }
    return result;
}

}  // namespace pandemie::reference
