#pragma once
// The tables and the report of a fit.

#include <string>

#include "model/fit.h"
#include "output/table.h"

namespace pandemie::output {

// encounters,infection,latency,recovery,weight,distance: one row per particle.
[[nodiscard]] Table posteriorTable(const FitResult& result);
[[nodiscard]] inline std::string posteriorCsv(const FitResult& result) {
    return csvOf(posteriorTable(result));
}

// measure,mean,p10,p50,p90: each parameter and encounters x (infection - 1/2)
// (transmission) from the posterior, then the forecast's figures as
// summaryTable holds them; the percentiles are reals: the parameters' with no
// decimals, transmission's with one.
[[nodiscard]] Table fitSummaryTable(const FitResult& result);
[[nodiscard]] inline std::string fitSummaryCsv(const FitResult& result) {
    return csvOf(fitSummaryTable(result));
}

// date,day,series,observed,mean,p10,p50,p90: a row per row of the forecast
// and series, in the data's units; date empty where the data had day numbers.
[[nodiscard]] Table forecastTable(const FitResult& result, const Observations& observed);

// One screen for a reader: each parameter with its 80 % interval, what the
// data cannot tell apart, whether the model fits at all, the work done.
[[nodiscard]] std::string fitReportText(const FitResult& result, const FitSettings& settings,
                                        const Observations& observed, double seconds);

}  // namespace pandemie::output
