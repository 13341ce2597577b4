#pragma once
// What benchmark's own main does, for the mains that prepare something first.

#include <benchmark/benchmark.h>

#include <vector>

namespace bench {

// Runs the benchmarks that the arguments (argv with the program name first) select.
inline int runBenchmarks(std::vector<char*> arguments) {
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
