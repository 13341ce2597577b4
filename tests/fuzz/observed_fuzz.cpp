// The observed counts' file: any text gives counts or one usage error of one
// line, never a crash; what is read holds days 1..180 once each, ascending,
// and counts of 0..1000 persons.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "input/observed_file.h"
#include "input/usage_error.h"

namespace {

[[nodiscard]] bool holdsCounts(const pandemie::Observations& observations) {
    int previous = 0;
    for (const pandemie::ObservedDay& day : observations.days) {
        if (day.day <= previous || day.day > pandemie::runDays) return false;
        previous = day.day;
        for (const auto& count : day.counts)
            if (count && !(*count >= 0 && *count <= 1000)) return false;
    }
    return !observations.days.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The first byte, when there is one, picks a population other than 1000.
    const int population = size > 0 && data[0] < 8 ? 1 + data[0] * 7919 : 1000;
    try {
        if (!holdsCounts(pandemie::input::parseObservations(text, "fuzz.csv", population))) std::abort();
    } catch (const pandemie::input::UsageError& error) {
        if (std::string_view(error.what()).find_first_of("\n\r") != std::string_view::npos) std::abort();
    }
    return 0;
}
