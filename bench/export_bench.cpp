// The tool's ensemble exports: 10,000 default runs on 2 threads, then the
// band table, the summary and the band image, measured once; and the table
// of a million runs as CSV:
//   build/bench/export_bench
#include <benchmark/benchmark.h>

#include "bench/bench_main.h"
#include "chart/offscreen.h"
#include "chart/run_image.h"
#include "model/ensemble.h"
#include "model/scenario.h"
#include "output/csv.h"
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

// A million runs' rows from 100 default runs' summaries, each on its own seed.
void BM_MillionRunsCsv(benchmark::State& state) {
    std::vector<pandemie::RunSummary> summaries;
    for (std::uint64_t seed = 0; seed < 100; ++seed)
        summaries.push_back(pandemie::summarize(seed, pandemie::seededRun({}, {}, seed)));
    std::vector<pandemie::RunSummary> runs;
    runs.reserve(1'000'000);
    for (std::uint64_t run = 0; run < 1'000'000; ++run) {
        runs.push_back(summaries[run % summaries.size()]);
        runs.back().seed = pandemie::windowSeed + run;
    }
    for (auto _ : state) benchmark::DoNotOptimize(pandemie::output::ensembleCsv(runs));
    state.SetItemsProcessed(state.iterations() * std::ssize(runs));
}
BENCHMARK(BM_MillionRunsCsv)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    int qtArgc = 1;
    const auto application = chart::startOffscreen(qtArgc, argv);
    return bench::runBenchmarks({argv, argv + argc});
}
