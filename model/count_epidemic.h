#pragma once
// The model by counts, for judging a fit's many short runs: the same law of
// the daily counts as Epidemic, hundreds of times faster (a 40-day run of
// 1000 persons at the default values: about 4 µs against 2 ms), but another
// sequence of draws, so never the same run.
//
// Within a day the infectious persons do not change (a person infected today
// is past no latency), so an encounter either brings an infectious person
// together with a person who was not infected at the start of the day and
// has an infection draw below the threshold, an effective contact, or it
// changes nothing. The encounters are independent, so the day's effective
// contacts are one binomial count; each one hits a not-infected person drawn
// by weight, and the day's new infections are the distinct persons hit.
// Persons are drawn by rounding a uniform value times N, so persons 0 and N
// have half the weight of the others; the infection draw below the
// threshold t has the chance (t - 1/2) / 1000. Persons 1..N-1 are kept as
// counts per infection day, persons 0 and N one by one.

#include <cstdint>
#include <span>
#include <vector>

#include "model/model.h"
#include "model/random.h"

namespace pandemie {

// A binomial count of n trials of chance p, exact in law: by inversion for a
// mean of up to a few hundred (the draws every run of 1000 persons at the
// window's ranges takes), by transformed rejection beyond, at a few uniform
// values a draw for any n.
// The chance that an encounter's infection draw lies below the threshold of `infectionPerMille`.
[[nodiscard]] double drawBelowChance(float infectionPerMille) noexcept;

[[nodiscard]] std::int64_t binomialCount(Random& random, std::int64_t n, double p) noexcept;

// The distinct persons that `contacts` contacts hit, each drawn evenly among
// `persons`, exact in law: at a cost per person hit, or per repeated hit
// where the contacts are fewer than half the persons.
[[nodiscard]] std::int64_t distinctHits(Random& random, std::int64_t contacts, std::int64_t persons) noexcept;

class CountEpidemic {
public:
    CountEpidemic(const Parameters& parameters, std::uint64_t seed, const RunScope& scope = {});

    // Takes effect from the next day's encounters, recoveries and tally.
    void setParameters(const Parameters& parameters) noexcept { parameters_ = parameters; }

    // Encounters, then recoveries, then the tally, all for `day` (1..scope.days),
    // the day after the last one simulated.
    void simulateDay(int day) noexcept;

    [[nodiscard]] const DailyCounts& counts() const noexcept { return counts_; }

private:
    // A person drawn alone: persons 0 and N.
    struct Single {
        Status status = notInfected;
        int infectionDay = 0;
    };

    void infectionsOfDay(int day) noexcept;
    [[nodiscard]] int distinctHitsOneByOne(std::int64_t contacts, int singleWeight, int day) noexcept;
    [[nodiscard]] int distinctHitsInBulk(std::int64_t contacts, int singleWeight, int day) noexcept;
    void recoveriesOfDay(int day) noexcept;
    void tally() noexcept;

    Parameters parameters_;
    int persons_;  // N
    Random random_;
    std::vector<int> infectedOnDay_;  // persons 1..N-1 still infected, by infection day 0..D
    int oldestInfectedDay_ = 0;       // no one infected before it is still infected
    int notInfected_ = 0;             // of persons 1..N-1
    int infected_ = 0;                // of persons 1..N-1
    Single zero_;                     // never counted, never recovers
    Single last_;                     // person N
    DailyCounts counts_;
};

// A run of the counting engine through the scope's days, the changes
// (sorted by day; of several on one day the last holds) applied on their days.
[[nodiscard]] Trajectory countingRun(const Parameters& parameters, std::uint64_t seed,
                                     std::span<const ParameterChange> changes, const RunScope& scope);

}  // namespace pandemie
