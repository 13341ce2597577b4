// Speed of the model against a plain baseline, measured in the same run:
//   build/bench/model_bench
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <random>

#include "ensemble.h"
#include "model.h"

namespace {

constexpr std::int64_t defaultEncountersPerRun = std::int64_t{10'000} * pandemie::runDays;

// The same model written plainly: std::mt19937, uniform_real_distribution and
// floating-point rounding, one array of structs, branches as they come.
class BaselineModel {
public:
    explicit BaselineModel(std::uint32_t seed) : engine_(seed) {}

    std::array<int, 3> run(const pandemie::Parameters& p) {
        struct Person {
            float status = 0;
            float infectionDay = 0;
        };
        std::array<Person, 1001> table{};
        table[300].status = table[500].status = table[700].status = 1;
        std::array<int, 3> counts{};
        for (int day = 1; day <= pandemie::runDays; ++day) {
            for (int n = 0; n < p.encountersPerDay * 1000; ++n) {
                const int a = draw();
                const int b = draw();
                if (table[a].status == table[b].status) continue;
                const int x = draw();
                if (table[b].status == 1 && table[a].status == 0 &&
                    static_cast<float>(day) - table[b].infectionDay > static_cast<float>(p.latencyDays) &&
                    static_cast<float>(x) < p.infectionPerMille) {
                    table[a].status = 1;
                    table[a].infectionDay = static_cast<float>(day);
                }
                if (table[a].status == 1 && table[b].status == 0 &&
                    static_cast<float>(day) - table[a].infectionDay > static_cast<float>(p.latencyDays) &&
                    static_cast<float>(x) < p.infectionPerMille) {
                    table[b].status = 1;
                    table[b].infectionDay = static_cast<float>(day);
                }
            }
            counts = {};
            for (std::size_t k = 1; k <= 1000; ++k) {
                if (table[k].status == 1 &&
                    static_cast<float>(day) - table[k].infectionDay >= static_cast<float>(p.recoveryDays))
                    table[k].status = 2;
                ++counts[static_cast<std::size_t>(table[k].status)];
            }
        }
        return counts;
    }

private:
    int draw() { return static_cast<int>(std::nearbyint(static_cast<double>(uniform_(engine_)) * 1000.0)); }

    std::mt19937 engine_;
    std::uniform_real_distribution<float> uniform_{0.0F, 1.0F};
};

void BM_DefaultRun(benchmark::State& state) {
    pandemie::Random random(pandemie::windowSeed);
    for (auto _ : state) benchmark::DoNotOptimize(pandemie::runTrajectory({}, random));
    state.SetItemsProcessed(state.iterations() * defaultEncountersPerRun);
}
BENCHMARK(BM_DefaultRun)->Unit(benchmark::kMillisecond);

void BM_BaselineRun(benchmark::State& state) {
    BaselineModel baseline(5489U);
    for (auto _ : state) benchmark::DoNotOptimize(baseline.run({}));
    state.SetItemsProcessed(state.iterations() * defaultEncountersPerRun);
}
BENCHMARK(BM_BaselineRun)->Unit(benchmark::kMillisecond);

void BM_Ensemble1000(benchmark::State& state) {
    const pandemie::EnsembleOptions options{pandemie::windowSeed, 1000, static_cast<int>(state.range(0))};
    for (auto _ : state) benchmark::DoNotOptimize(pandemie::runEnsemble({}, options));
    state.SetItemsProcessed(state.iterations() * 1000 * defaultEncountersPerRun);
}
BENCHMARK(BM_Ensemble1000)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
