#include "model/count_epidemic.h"

#include <algorithm>
#include <cmath>

namespace pandemie {

namespace {

constexpr int fullPersons = countedPersons - 1;  // persons 1..999, of weight 2
constexpr double allWeight = 2.0 * countedPersons;

// The chance of an infection draw below the threshold of `infectionPerMille`.
double drawBelowChance(float infectionPerMille) noexcept {
    const int threshold = wholeNumberThreshold(infectionPerMille);
    return threshold <= 0 ? 0.0 : std::min(1.0, (threshold - 0.5) / 1000.0);
}

// x^n with multiplications only, so that every machine gets the same bits.
double power(double x, int n) noexcept {
    double result = 1;
    for (; n > 0; n >>= 1) {
        if ((n & 1) != 0) result *= x;
        x *= x;
    }
    return result;
}

bool isInfectious(int personDay, int day, int latencyDays) noexcept {
    return day - personDay > latencyDays;
}

}  // namespace

CountEpidemic::CountEpidemic(const Parameters& parameters, std::uint64_t seed) noexcept
    : parameters_(parameters), random_(seed) {
    infectedOnDay_[0] = RunScope{}.initialCases;
    infected_ = infectedOnDay_[0];
    notInfected_ = fullPersons - infected_;
    tally();
}

// A binomial count by inversion: the chance of each count follows from the
// one before, and the mean is at most a few hundred.
int CountEpidemic::effectiveContacts(int encounters, double chance) noexcept {
    if (chance <= 0 || encounters <= 0) return 0;
    if (chance >= 1) return encounters;
    const double u = random_.nextUnit();
    double probability = power(1 - chance, encounters);
    double cumulative = probability;
    const double ratio = chance / (1 - chance);
    int k = 0;
    while (u >= cumulative && k < encounters) {
        probability *= ratio * static_cast<double>(encounters - k) / static_cast<double>(k + 1);
        ++k;
        cumulative += probability;
        if (probability <= 0 && cumulative < u) break;  // beyond the double's reach: the far tail
    }
    return k;
}

void CountEpidemic::infectionsOfDay(int day) noexcept {
    const int latency = parameters_.latencyDays;
    int infectiousFull = 0;
    for (int d = oldestInfectedDay_; d < day && isInfectious(d, day, latency); ++d)
        infectiousFull += infectedOnDay_[static_cast<std::size_t>(d)];
    const auto infectiousSingle = [&](const Single& person) {
        return person.status == infected && isInfectious(person.infectionDay, day, latency) ? 1 : 0;
    };
    const auto notInfectedSingle = [](const Single& person) { return person.status == notInfected ? 1 : 0; };
    const int infectiousWeight = 2 * infectiousFull + infectiousSingle(zero_) + infectiousSingle(last_);
    const int zeroWeight = notInfectedSingle(zero_);
    const int singleWeight = zeroWeight + notInfectedSingle(last_);
    const int notInfectedWeight = 2 * notInfected_ + singleWeight;
    if (infectiousWeight == 0 || notInfectedWeight == 0) return;

    const double pairChance = 2.0 * (infectiousWeight / allWeight) * (notInfectedWeight / allWeight);
    const int contacts = effectiveContacts(parameters_.encountersPerDay * 1000,
                                           pairChance * drawBelowChance(parameters_.infectionPerMille));
    // Each contact hits a person not infected at the start of the day, by weight.
    const int notInfectedAtStart = notInfected_;
    int hitFull = 0;
    for (int c = 0; c < contacts; ++c) {
        const double at = random_.nextUnit() * notInfectedWeight;
        if (at < singleWeight) {
            Single& person = at < zeroWeight ? zero_ : last_;
            if (person.status == notInfected) person = {infected, day};
        } else if (random_.nextUnit() * notInfectedAtStart >= hitFull) {
            ++hitFull;  // one not hit before today
        }
    }
    infectedOnDay_[static_cast<std::size_t>(day)] += hitFull;
    notInfected_ -= hitFull;
    infected_ += hitFull;
}

void CountEpidemic::recoveriesOfDay(int day) noexcept {
    const int lastInfectedDay = day - parameters_.recoveryDays;
    for (; oldestInfectedDay_ <= std::min(lastInfectedDay, day); ++oldestInfectedDay_) {
        auto& cohort = infectedOnDay_[static_cast<std::size_t>(oldestInfectedDay_)];
        infected_ -= cohort;
        cohort = 0;
    }
    if (last_.status == infected && last_.infectionDay <= lastInfectedDay) last_.status = recovered;
}

void CountEpidemic::tally() noexcept {
    const int susceptible = notInfected_ + (last_.status == notInfected ? 1 : 0);
    const int infectedCount = infected_ + (last_.status == infected ? 1 : 0);
    counts_ = {susceptible, infectedCount, countedPersons - susceptible - infectedCount};
}

void CountEpidemic::simulateDay(int day) noexcept {
    infectionsOfDay(day);
    recoveriesOfDay(day);
    tally();
}

}  // namespace pandemie
