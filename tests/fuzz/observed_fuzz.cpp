// The observed counts' file: any text gives counts or one usage error of one
// line, never a crash; what is read holds days 1..D once each, ascending,
// periods of a day or more, counts of 0..N persons and new cases of N at most.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "input/observed_file.h"
#include "input/usage_error.h"

namespace {

[[nodiscard]] bool holdsCounts(const pandemie::Observations& observations, int population, int days) {
    int previous = 0;
    double newCases = 0;
    for (const pandemie::ObservedDay& day : observations.days) {
        if (day.day <= previous || day.day > days || day.periodDays < 1) return false;
        previous = day.day;
        for (const auto& count : day.counts)
            if (count && !(*count >= 0 && *count <= population)) return false;
        newCases += day.counts[static_cast<std::size_t>(pandemie::ObservedSeries::newCases)].value_or(0);
    }
    if (newCases > population) return false;
    return !observations.days.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The first byte, when there is one, picks a population other than 1000
    // and days other than 180.
    const bool picked = size > 0 && data[0] < 8;
    const int population = picked ? 1 + data[0] * 7919 : 1000;
    const int days = picked ? 1 + data[0] * 140 : pandemie::runDays;
    try {
        if (!holdsCounts(pandemie::input::parseObservations(text, "fuzz.csv", population, days), population,
                         days))
            std::abort();
    } catch (const pandemie::input::UsageError& error) {
        if (std::string_view(error.what()).find_first_of("\n\r") != std::string_view::npos) std::abort();
    }
    return 0;
}
