#pragma once
// The model by counts, for judging a fit's many short runs: the same law of
// the daily counts as Epidemic, some 500 times faster (a 40-day run at the
// default values: about 4 µs against 2 ms), but another sequence of draws,
// so never the same run.
//
// Within a day the infectious persons do not change (a person infected today
// is past no latency), so an encounter either brings an infectious person
// together with a person who was not infected at the start of the day and
// has an infection draw below the threshold, an effective contact, or it
// changes nothing. The encounters are independent, so the day's effective
// contacts are one binomial count; each one hits a not-infected person drawn
// by weight, and the day's new infections are the distinct persons hit.
// Persons are drawn by rounding a uniform value times 1000, so persons 0 and
// 1000 have half the weight of the others; the infection draw below the
// threshold t has the chance (t - 1/2) / 1000. Persons 1..999 are kept as
// counts per infection day, persons 0 and 1000 one by one.

#include <array>
#include <cstdint>

#include "model/model.h"
#include "model/random.h"

namespace pandemie {

class CountEpidemic {
public:
    CountEpidemic(const Parameters& parameters, std::uint64_t seed) noexcept;

    // Takes effect from the next day's encounters, recoveries and tally.
    void setParameters(const Parameters& parameters) noexcept { parameters_ = parameters; }

    // Encounters, then recoveries, then the tally, all for `day`, the day
    // after the last one simulated.
    void simulateDay(int day) noexcept;

    [[nodiscard]] const DailyCounts& counts() const noexcept { return counts_; }

private:
    // A person drawn alone: persons 0 and 1000.
    struct Single {
        Status status = notInfected;
        int infectionDay = 0;
    };

    [[nodiscard]] int effectiveContacts(int encounters, double chance) noexcept;
    void infectionsOfDay(int day) noexcept;
    void recoveriesOfDay(int day) noexcept;
    void tally() noexcept;

    Parameters parameters_;
    Random random_;
    std::array<int, runDays + 1> infectedOnDay_{};  // persons 1..999 still infected, by infection day
    int oldestInfectedDay_ = 0;                     // no one infected before it is still infected
    int notInfected_ = 0;                           // of persons 1..999
    int infected_ = 0;                              // of persons 1..999
    Single zero_;                                   // never counted, never recovers
    Single last_;                                   // person 1000
    DailyCounts counts_;
};

}  // namespace pandemie
