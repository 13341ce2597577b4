// The tool's two-way sweep from the grid to its table and heat map, on 2
// threads at 100 runs per point, measured once:
//   build/bench/sweep_bench                               a 6 x 6 grid (3,600 runs)
//   build/bench/sweep_bench --benchmark_filter=Full       encounters 0..20 x infection 0..20 (44,100 runs)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_main.h"
#include "chart/offscreen.h"
#include "chart/run_image.h"
#include "chart/sweep_image.h"
#include "model/scenario.h"
#include "output/scenario_exports.h"

namespace {

using pandemie::Parameter;

void runSweep(benchmark::State& state, int step) {
    std::vector<int> values;
    for (int value = 0; value <= 20; value += step) values.push_back(value);
    const std::vector<pandemie::SweepAxis> axes{{Parameter::encounters, values},
                                                {Parameter::infection, values}};
    const auto grid = pandemie::sweepGrid({}, axes);
    const pandemie::EnsembleOptions options{pandemie::windowSeed, 100, 2};
    for (auto _ : state) {
        const auto results = pandemie::runScenarios(grid, options, pandemie::Detail::summaries);
        benchmark::DoNotOptimize(pandemie::output::sweepCsv(axes, grid, results));
        benchmark::DoNotOptimize(
            chart::encodePng(chart::sweepImage(axes, pandemie::Outcome::finalRecovered, results.summaries)));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(grid.size()) * options.runs);
}

void BM_Sweep6x6(benchmark::State& state) {
    runSweep(state, 4);
}
BENCHMARK(BM_Sweep6x6)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_FullSweep21x21(benchmark::State& state) {
    runSweep(state, 1);
}
BENCHMARK(BM_FullSweep21x21)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The full grid takes minutes: without a filter only the small one runs.
std::string smallOnlyFilter = "--benchmark_filter=BM_Sweep6x6";

}  // namespace

int main(int argc, char** argv) {
    int qtArgc = 1;
    const auto application = chart::startOffscreen(qtArgc, argv);
    std::vector<char*> arguments(argv, argv + argc);
    const bool filtered = std::any_of(arguments.begin(), arguments.end(), [](const char* a) {
        return std::string(a).starts_with("--benchmark_filter");
    });
    if (!filtered) arguments.push_back(smallOnlyFilter.data());
    return bench::runBenchmarks(arguments);
}
