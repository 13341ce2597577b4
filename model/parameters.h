#pragma once
// The model's four parameters and a run's three outcome figures, each
// described once: every layer (the tool's options and messages, the scenario
// file, sweeps, the window's sliders, the images, the completion) reads these
// tables instead of keeping its own copy.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "model/model.h"

namespace pandemie {

enum class Parameter : std::uint8_t { encounters, infection, latency, recovery };

struct ParameterInfo {
    Parameter parameter;
    std::string_view name;         // option --NAME, scenario key, sweep and change name
    std::string_view description;  // for --help
    std::string_view caption;      // German, as the window's slider label says it
    std::string_view axisCaption;  // German, on an image's axis
    std::string_view unit;         // in the tool's own words
    int min;                       // the window's slider runs min..max
    int max;
    int defaultValue;                   // the window's start-up and "Default - Werte"
    std::string_view changeCaption;     // German, a change marker's text; %1 is the new value
    std::string_view changeCaptionOne;  // the same for the value 1, its noun in the singular
    int toolMin;                        // the tool and the module take toolMin..toolMax,
    int toolMax;                        // wide enough for the diseases of real outbreaks
};

inline constexpr std::array<ParameterInfo, 4> parameterTable{{
    {Parameter::encounters, "encounters", "Encounters per day, in thousands",
     "mittlere Zahl der Begegnungen pro Tag", "Begegnungen pro Tag (Tausend)",
     "thousands of encounters a day", 0, 20, 10, "%1 Tsd. Begegnungen/Tag", "%1 Tsd. Begegnungen/Tag", 0,
     100},
    {Parameter::infection, "infection", "Chance that an encounter infects, in per mille",
     "Infektions - Wahrscheinlichkeit in  o/oo", "Infektions - Wahrscheinlichkeit in  o/oo", "per mille", 0,
     20, 8, "Infektion %1 o/oo", "Infektion %1 o/oo", 0, 1000},
    {Parameter::latency, "latency", "Days after infection before a person is infectious", "Latenzzeit / Tage",
     "Latenzzeit / Tage", "days", 0, 10, 2, "Latenz %1 Tage", "Latenz %1 Tag", 0, 60},
    {Parameter::recovery, "recovery", "Days after infection until a person has recovered",
     "Genesungszeit / Tage", "Genesungszeit / Tage", "days", 8, 24, 14, "Genesung nach %1 Tagen",
     "Genesung nach %1 Tag", 1, 120},
}};

// An entry of either table is found by its enumerator (key), at the
// enumerator's value, or by its name.
template <class Table, class Key>
[[nodiscard]] constexpr bool inEnumeratorOrder(const Table& table, Key Table::value_type::*key) noexcept {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (static_cast<std::size_t>(table[i].*key) != i) return false;
    return true;
}
template <class Table, class Key>
[[nodiscard]] constexpr std::optional<Key> keyNamed(const Table& table, Key Table::value_type::*key,
                                                    std::string_view name) noexcept {
    for (const auto& info : table)
        if (info.name == name) return info.*key;
    return std::nullopt;
}
static_assert(inEnumeratorOrder(parameterTable, &ParameterInfo::parameter));

[[nodiscard]] constexpr const ParameterInfo& infoOf(Parameter parameter) noexcept {
    return parameterTable[static_cast<std::size_t>(parameter)];
}

// The parameter called name, or nothing.
[[nodiscard]] constexpr std::optional<Parameter> parameterNamed(std::string_view name) noexcept {
    return keyNamed(parameterTable, &ParameterInfo::parameter, name);
}

struct ParameterRange {
    int min = 0;
    int max = 0;
};

// The window's slider range.
[[nodiscard]] constexpr ParameterRange parameterRange(Parameter parameter) noexcept {
    return {infoOf(parameter).min, infoOf(parameter).max};
}

// What the tool and the module take; it holds the window's range.
[[nodiscard]] constexpr ParameterRange toolRange(Parameter parameter) noexcept {
    return {infoOf(parameter).toolMin, infoOf(parameter).toolMax};
}

[[nodiscard]] constexpr bool toolRangesHoldWindowRanges() noexcept {
    return std::all_of(parameterTable.begin(), parameterTable.end(), [](const ParameterInfo& info) {
        return info.toolMin <= info.min && info.toolMax >= info.max;
    });
}
static_assert(toolRangesHoldWindowRanges());

[[nodiscard]] constexpr int parameterValue(const Parameters& parameters, Parameter parameter) noexcept {
    switch (parameter) {
        case Parameter::encounters:
            return parameters.encountersPerDay;
        case Parameter::infection:
            return static_cast<int>(parameters.infectionPerMille);
        case Parameter::latency:
            return parameters.latencyDays;
        case Parameter::recovery:
            return parameters.recoveryDays;
    }
    return 0;
}

constexpr void setParameterValue(Parameters& parameters, Parameter parameter, int value) noexcept {
    switch (parameter) {
        case Parameter::encounters:
            parameters.encountersPerDay = value;
            break;
        case Parameter::infection:
            parameters.infectionPerMille = static_cast<float>(value);
            break;
        case Parameter::latency:
            parameters.latencyDays = value;
            break;
        case Parameter::recovery:
            parameters.recoveryDays = static_cast<std::int16_t>(value);
            break;
    }
}

// The parameters every run starts from unless told otherwise.
[[nodiscard]] constexpr Parameters defaultParameters() noexcept {
    Parameters parameters;
    for (const ParameterInfo& info : parameterTable)
        setParameterValue(parameters, info.parameter, info.defaultValue);
    return parameters;
}
static_assert(defaultParameters() == Parameters{}, "the table's defaults are those of Parameters");

enum class Outcome : std::uint8_t { peakInfected, peakDay, finalRecovered };

// What an outcome counts: persons of the run's N, or a day of its D.
enum class OutcomeUnit : std::uint8_t { persons, days };

struct OutcomeInfo {
    Outcome outcome;
    std::string_view name;         // in the CSV files and for --measure
    std::string_view description;  // for --help
    std::string_view caption;      // German, on an image's axis
    OutcomeUnit unit;              // values run 0..N or 0..D
};

inline constexpr std::array<OutcomeInfo, 3> outcomeTable{{
    {Outcome::peakInfected, "peak_infected", "the most persons infected on one day",
     "h\u00f6chster Anteil aktuell Infizierter in %", OutcomeUnit::persons},
    {Outcome::peakDay, "peak_day", "the day with the most persons infected",
     "Tag mit den meisten aktuell Infizierten", OutcomeUnit::days},
    {Outcome::finalRecovered, "final_recovered", "the persons recovered on the last day",
     "Genesene am Tag 180 in %", OutcomeUnit::persons},
}};

static_assert(inEnumeratorOrder(outcomeTable, &OutcomeInfo::outcome));

[[nodiscard]] constexpr const OutcomeInfo& infoOf(Outcome outcome) noexcept {
    return outcomeTable[static_cast<std::size_t>(outcome)];
}

// The largest value of the outcome in runs of the scope: 1000 or 180 in the window's.
[[nodiscard]] constexpr int outcomeMax(Outcome outcome, const RunScope& scope) noexcept {
    return infoOf(outcome).unit == OutcomeUnit::persons ? scope.persons : scope.days;
}

// The outcome called name, or nothing.
[[nodiscard]] constexpr std::optional<Outcome> outcomeNamed(std::string_view name) noexcept {
    return keyNamed(outcomeTable, &OutcomeInfo::outcome, name);
}

}  // namespace pandemie
