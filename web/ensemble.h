#pragma once
// The page's ensemble: runs of the tool's seeds (the window's seed + i for
// run i), optionally with one intervention, the band statistics of which
// equal the tool's `--runs K --bands` byte for byte. A worker runs it a few
// runs at a time, so that it can report progress; the page draws its band
// chart.

#include <emscripten/val.h>

#include <cstdint>
#include <string>

#include "chart/canvas.h"
#include "model/band_stats.h"
#include "model/parameters.h"
#include "model/scenario.h"

namespace web {

inline constexpr std::int64_t fewestRuns = 2;
inline constexpr std::int64_t mostRuns = 10000;
inline constexpr int lastChangeDay = pandemie::runDays;

// What the page's controls ask for:
// {parameters: {encounters: 10, ...}, runs: 100, change: {day: 30, parameter: "encounters", value: 4} |
// null}.
struct BandRequest {
    pandemie::Parameters parameters;
    std::int64_t runs = 0;
    pandemie::Schedule changes;
    std::string problem;  // in German, naming what is out of range; empty when none is
};
[[nodiscard]] BandRequest bandRequestOf(const emscripten::val& request);

class EnsembleJob {
public:
    explicit EnsembleJob(const emscripten::val& request);

    // Runs up to `count` more runs; the runs done so far. Counts are int for
    // JavaScript, which takes no 64-bit integers from the module.
    int advance(int count);
    [[nodiscard]] int done() const { return static_cast<int>(statistics_.runs()); }
    [[nodiscard]] int total() const { return request_.problem.empty() ? static_cast<int>(request_.runs) : 0; }
    [[nodiscard]] std::string problem() const { return request_.problem; }
    // day,series,mean,p10,p50,p90 as the tool's --bands writes them.
    [[nodiscard]] std::string bandsCsv() const;
    // p10, p50 and p90, each day by day as the three counts in band units, in one Int32Array.
    [[nodiscard]] emscripten::val courses() const;

private:
    BandRequest request_;
    pandemie::BandStatistics statistics_;
};

// The band chart of the courses (as EnsembleJob::courses gives them) for
// the request, the change's day marked and labelled; the names of the series
// that find no free spot, [{text, colour}], for a list below the chart.
[[nodiscard]] emscripten::val drawBand(chart::Canvas& picture, const emscripten::val& request,
                                       const emscripten::val& courses);

}  // namespace web
