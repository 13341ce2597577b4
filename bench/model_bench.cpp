// Speed of the model against a plain baseline, measured in the same run:
//   build/bench/model_bench
// The full two-way sweep (441 points of 100 runs) is left out unless asked for:
//   build/bench/model_bench --full-grid --benchmark_filter=SweepGrid
// Populations beyond the window's: encounters per second at N = 1,000,
// 100,000 and 1,000,000 and 100 runs of 100,000 persons on 2 threads; with
// --large also a run of 10,000,000 persons (with the largest resident memory
// of the process) and 1000 runs of 100,000 persons, minutes in all:
//   build/bench/model_bench --large --benchmark_filter=Population
// --short takes small populations instead, as the CTest short mode does.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "bench/bench_main.h"
#include "model/ensemble.h"
#include "model/model.h"
#include "model/scenario.h"
#include "tests/reference_model.h"

namespace {

constexpr std::int64_t encountersPerRun(int encountersPerDay) {
    return std::int64_t{1000} * encountersPerDay * pandemie::runDays;
}

// The baseline: the literal model on std::mt19937 with
// uniform_real_distribution and floating-point rounding.
class BaselineGenerator {
public:
    explicit BaselineGenerator(std::uint32_t seed) : engine_(seed) {}

    float unit() { return uniform_(engine_); }

private:
    std::mt19937 engine_;
    std::uniform_real_distribution<float> uniform_{0.0F, 1.0F};
};

void BM_DefaultRun(benchmark::State& state) {
    pandemie::Random random(pandemie::windowSeed);
    for (auto _ : state) benchmark::DoNotOptimize(pandemie::runTrajectory({}, random));
    state.SetItemsProcessed(state.iterations() * encountersPerRun(10));
}
BENCHMARK(BM_DefaultRun)->Unit(benchmark::kMillisecond);

// 1000 single runs from their seeds, as a loop of calls from Python makes
// them (bench/python_bench.py compares the two).
void BM_SeededRuns1000(benchmark::State& state) {
    for (auto _ : state)
        for (std::uint64_t i = 0; i < 1000; ++i)
            benchmark::DoNotOptimize(pandemie::seededRun({}, {}, pandemie::windowSeed + i));
    state.SetItemsProcessed(state.iterations() * 1000);  // runs
}
BENCHMARK(BM_SeededRuns1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BaselineRun(benchmark::State& state) {
    BaselineGenerator generator(5489U);
    for (auto _ : state) benchmark::DoNotOptimize(pandemie::reference::run({}, generator));
    state.SetItemsProcessed(state.iterations() * encountersPerRun(10));
}
BENCHMARK(BM_BaselineRun)->Unit(benchmark::kMillisecond);

// Runs in a row at one setting of the sliders; items are encounters, so
// the rate compares settings per encounter.
void BM_Setting(benchmark::State& state) {
    pandemie::Parameters p;
    p.encountersPerDay = static_cast<int>(state.range(0));
    p.infectionPerMille = static_cast<float>(state.range(1));
    p.latencyDays = static_cast<int>(state.range(2));
    pandemie::Random random(pandemie::windowSeed);
    for (auto _ : state) benchmark::DoNotOptimize(pandemie::runTrajectory(p, random));
    state.SetItemsProcessed(state.iterations() * encountersPerRun(p.encountersPerDay));
}
BENCHMARK(BM_Setting)
    ->ArgNames({"encounters", "infection", "latency"})
    ->ArgsProduct({{1, 10, 20}, {0, 8, 20}, {0, 10}})
    ->Unit(benchmark::kMillisecond);

// Independent seeded runs at one point of the sweep grid (latency 2,
// recovery 14): where the time of the sweep goes.
void BM_GridPoint(benchmark::State& state) {
    pandemie::Parameters p;
    p.encountersPerDay = static_cast<int>(state.range(0));
    p.infectionPerMille = static_cast<float>(state.range(1));
    std::uint64_t seed = pandemie::windowSeed;
    for (auto _ : state) benchmark::DoNotOptimize(pandemie::runSeeded(p, seed++));
}
BENCHMARK(BM_GridPoint)
    ->ArgNames({"encounters", "infection"})
    ->ArgsProduct({{5, 10, 15, 20}, {0, 2, 5, 10, 20}})
    ->Unit(benchmark::kMillisecond);

// The two-way sweep encounters 0..20 x infection 0..20, every point with
// the same seeds, summarized per run as the tool does.
int sweepRunsPerPoint = 5;

void BM_SweepGrid(benchmark::State& state) {
    const auto threads = static_cast<int>(state.range(0));
    const std::int64_t runs = sweepRunsPerPoint;
    std::vector<int> values(21);
    for (int value = 0; value <= 20; ++value) values[static_cast<std::size_t>(value)] = value;
    const auto grid = pandemie::sweepGrid(
        {}, {{pandemie::Parameter::encounters, values}, {pandemie::Parameter::infection, values}});
    for (auto _ : state)
        benchmark::DoNotOptimize(
            pandemie::runScenarios(grid, {pandemie::windowSeed, runs, threads}, pandemie::Detail::summaries));
    state.counters["runsPerPoint"] = static_cast<double>(runs);
    state.SetItemsProcessed(state.iterations() * 441 * runs);
}
BENCHMARK(BM_SweepGrid)->ArgName("threads")->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Ensemble1000(benchmark::State& state) {
    const pandemie::EnsembleOptions options{pandemie::windowSeed, 1000, static_cast<int>(state.range(0))};
    const std::vector<pandemie::Scenario> defaults(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            pandemie::runScenarios(defaults, options, pandemie::Detail::bandsAndDifferences));
    state.SetItemsProcessed(state.iterations() * 1000 * encountersPerRun(10));
}
BENCHMARK(BM_Ensemble1000)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The largest resident memory of the process so far, in MB: of the run
// itself when a benchmark of one population is selected alone.
double maxResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kB on Linux
}

// One 180-day run of N persons at the default parameters; items are
// encounters (every day draws all of them: the generator is not discarded).
void BM_Population(benchmark::State& state) {
    const pandemie::RunScope scope{static_cast<int>(state.range(0))};
    pandemie::Random random(pandemie::windowSeed);
    for (auto _ : state) benchmark::DoNotOptimize(pandemie::runTrajectory({}, random, scope));
    state.SetItemsProcessed(state.iterations() * std::int64_t{10} * scope.persons * scope.days);
    state.counters["maxRssMB"] = maxResidentMegabytes();
}

// Independent seeded runs of N persons on 2 threads, as an ensemble makes
// them (runs from seeds windowSeed + i).
void BM_PopulationEnsemble(benchmark::State& state) {
    const pandemie::RunScope scope{static_cast<int>(state.range(0))};
    const std::int64_t runs = state.range(1);
    std::vector<pandemie::DailyCounts> finals(static_cast<std::size_t>(runs));
    for (auto _ : state) {
        pandemie::forEachIndex(runs, 2, [&](std::int64_t i) {
            const auto seed = pandemie::windowSeed + static_cast<std::uint64_t>(i);
            finals[static_cast<std::size_t>(i)] = pandemie::runSeeded({}, seed, {}, scope).back();
        });
        benchmark::DoNotOptimize(finals.data());
    }
    state.SetItemsProcessed(state.iterations() * runs);  // runs
}

enum class Size : std::uint8_t { small, usual, large };

void registerPopulations(Size size) {
    std::vector<std::int64_t> persons{1000, 100'000, 1'000'000};
    if (size == Size::small) persons = {1000, 20'000};
    if (size == Size::large) persons.push_back(10'000'000);
    for (const std::int64_t n : persons) {
        auto* run = benchmark::RegisterBenchmark("BM_Population", BM_Population)
                        ->Arg(n)
                        ->Unit(benchmark::kMillisecond);
        if (n >= 1'000'000) run->Iterations(1);  // seconds a run
    }
    const std::int64_t ensemblePersons = size == Size::small ? 10'000 : 100'000;
    const std::int64_t ensembleRuns = size == Size::small ? 4 : size == Size::usual ? 100 : 1000;
    benchmark::RegisterBenchmark("BM_PopulationEnsemble", BM_PopulationEnsemble)
        ->ArgNames({"persons", "runs"})
        ->Args({ensemblePersons, ensembleRuns})
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments;
    Size size = Size::usual;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--full-grid") == 0)
            sweepRunsPerPoint = 100;
        else if (std::strcmp(argv[i], "--short") == 0)
            size = Size::small;
        else if (std::strcmp(argv[i], "--large") == 0)
            size = Size::large;
        else
            arguments.push_back(argv[i]);
    }
    registerPopulations(size);
    return bench::runBenchmarks(arguments);
}
