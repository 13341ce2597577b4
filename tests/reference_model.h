#pragma once
// The model read literally, one draw at a time: the check on the buffered
// encounter walk in the tests and the baseline of the benchmark. Generator
// is anything with unit(), a uniform value r in [0, 1): persons are r * N
// and infection draws r * 1000, each rounded to the nearest whole number,
// ties to the even one; and, for populations past 2^20, unit32(), the same
// value with 32 bits.

#include <cmath>
#include <cstddef>
#include <vector>

#include "model/model.h"

namespace pandemie::reference {

template <typename Generator>
int rounded(Generator& random, int scale) {
    return static_cast<int>(std::nearbyint(static_cast<double>(random.unit()) * scale));
}

// Past 2^20 persons a person is r * N of a value with 32 bits, unit32();
// in long double, whose 64-bit mantissa holds the product exactly.
template <typename Generator>
int person(Generator& random, int persons) {
    if constexpr (requires { random.unit32(); }) {
        if (persons > (1 << 20))
            return static_cast<int>(std::nearbyintl(static_cast<long double>(random.unit32()) * persons));
    }
    return rounded(random, persons);
}

template <typename Generator>
Trajectory run(const Parameters& p, Generator& random, const RunScope& scope = {}) {
    const int n = scope.persons;
    std::vector<int> status(static_cast<std::size_t>(n) + 1);
    std::vector<int> infectionDay(static_cast<std::size_t>(n) + 1);
    // Case i of K is person (i + 3/2) / (K + 2) of N, rounded half up.
    for (int i = 0; i < scope.initialCases; ++i)
        status[static_cast<std::size_t>((2LL * n * (2 * i + 3) / (2 * scope.initialCases + 4) + 1) / 2)] = 1;
    Trajectory result(static_cast<std::size_t>(scope.days));
    for (int day = 1; day <= scope.days; ++day) {
        for (long long e = 0; e < static_cast<long long>(p.encountersPerDay) * n; ++e) {
            const auto a = static_cast<std::size_t>(person(random, n));
            const auto b = static_cast<std::size_t>(person(random, n));
            if (status[a] == status[b]) continue;
            const int draw = rounded(random, 1000);
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
        for (std::size_t k = 1; k <= static_cast<std::size_t>(n); ++k)
            if (status[k] == 1 && day - infectionDay[k] >= p.recoveryDays) status[k] = 2;
        DailyCounts& c = result[static_cast<std::size_t>(day - 1)];
        for (std::size_t k = 1; k <= static_cast<std::size_t>(n); ++k) {
            if (status[k] == 0) ++c.countSusceptible;
            if (status[k] == 1) ++c.countInfected;
            if (status[k] == 2) ++c.countRecovered;
        }
    }
    return result;
}

}  // namespace pandemie::reference
