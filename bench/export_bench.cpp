// The tool's ensemble exports: 10,000 default runs on 2 threads, then the
// band table, the summary and the band image, measured once:
//   build/bench/export_bench
#include <benchmark/benchmark.h>

#include "bench/bench_main.h"
#include "chart/offscreen.h"
#include "chart/run_image.h"
#include "model/scenario.h"
#include "output/exports.h"

namespace {

void BM_EnsembleExports10000(benchmark::State& state) {
    const pandemie::EnsembleOptions options{pandemie::windowSeed, 10'000, 2};
    for (auto _ : state) {
        const pandemie::ScenarioResults results = pandemie::runScenarios(
            std::vector<pandemie::Scenario>(1), options, pandemie::Detail::bandsAndDifferences);
        const pandemie::BandStatistics& bands = results.bands.front();
        benchmark::DoNotOptimize(pandemie::output::bandsCsv(bands));
        benchmark::DoNotOptimize(pandemie::output::summaryCsv(results.summaries.front()));
        benchmark::DoNotOptimize(chart::encodePng(chart::bandImage(bands.courses(), bands.runs(), {})));
    }
    state.SetItemsProcessed(state.iterations() * options.runs);
}
BENCHMARK(BM_EnsembleExports10000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    int qtArgc = 1;
    const auto application = chart::startOffscreen(qtArgc, argv);
    return bench::runBenchmarks({argv, argv + argc});
}
