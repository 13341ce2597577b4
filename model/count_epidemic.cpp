#include "model/count_epidemic.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace pandemie {

namespace {

// Up to this mean a binomial count is drawn by inversion, costing a step per
// unit of the count; every run of 1000 persons at the window's ranges stays
// below it (at most 20,000 encounters of chance 1/2 x 19.5/1000: 195).
constexpr double largestInvertedMean = 250;
// Up to this many contacts of a day are followed one by one; beyond, the
// persons hit are counted in bulk, at a cost per person hit.
constexpr std::int64_t mostContactsOneByOne = 1024;

// x^n with multiplications only, so that every machine gets the same bits.
double power(double x, std::int64_t n) noexcept {
    double result = 1;
    for (; n > 0; n >>= 1) {
        if ((n & 1) != 0) result *= x;
        x *= x;
    }
    return result;
}

// The chance of each count follows from the one before.
std::int64_t binomialByInversion(Random& random, std::int64_t n, double p) noexcept {
    const double u = random.nextUnit();
    double probability = power(1 - p, n);
    double cumulative = probability;
    const double ratio = p / (1 - p);
    std::int64_t k = 0;
    while (u >= cumulative && k < n) {
        probability *= ratio * static_cast<double>(n - k) / static_cast<double>(k + 1);
        ++k;
        cumulative += probability;
        if (probability <= 0 && cumulative < u) break;  // beyond the double's reach: the far tail
    }
    return k;
}

// log k! - ((k + 1/2) log(k + 1) - (k + 1) + log(2 pi) / 2), the error of
// Stirling's formula for (k + 1)! / (k + 1); a series beyond k = 9.
double stirlingTail(double k) noexcept {
    static constexpr std::array<double, 10> small{
        0.08106146679532733,  0.04134069595540946,  0.027677925684997717, 0.02079067210376584,
        0.016644691189820815, 0.013876128823072431, 0.01189670994589287,  0.010411265261973224,
        0.009255462182709007, 0.008330563433359028};
    if (k <= 9) return small[static_cast<std::size_t>(k)];
    const double square = (k + 1) * (k + 1);
    return (1.0 / 12 - (1.0 / 360 - 1.0 / 1260 / square) / square) / (k + 1);
}

// Transformed rejection with squeeze (Hörmann 1993) for p <= 1/2 and a mean
// of ten and more: a candidate from a hat near the distribution, most often
// taken at once, else accepted by the exact ratio of chances.
std::int64_t binomialByRejection(Random& random, std::int64_t trials, double p) noexcept {
    const auto n = static_cast<double>(trials);
    const double spread = std::sqrt(n * p * (1 - p));
    const double b = 1.15 + 2.53 * spread;
    const double a = -0.0873 + 0.0248 * b + 0.01 * p;
    const double c = n * p + 0.5;
    const double squeeze = 0.92 - 4.2 / b;
    const double odds = p / (1 - p);
    const double alpha = (2.83 + 5.1 / b) * spread;
    const double mode = std::floor((n + 1) * p);
    for (;;) {
        const double u = random.nextUnit() - 0.5;
        double v = random.nextUnit();
        const double us = 0.5 - std::abs(u);
        const double k = std::floor((2 * a / us + b) * u + c);
        if (k < 0 || k > n) continue;
        if (us >= 0.07 && v <= squeeze) return static_cast<std::int64_t>(k);
        v = std::log(v * alpha / (a / (us * us) + b));
        const double bound = (mode + 0.5) * std::log((mode + 1) / (odds * (n - mode + 1))) +
                             (n + 1) * std::log((n - mode + 1) / (n - k + 1)) +
                             (k + 0.5) * std::log(odds * (n - k + 1) / (k + 1)) + stirlingTail(mode) +
                             stirlingTail(n - mode) - stirlingTail(k) - stirlingTail(n - k);
        if (v <= bound) return static_cast<std::int64_t>(k);
    }
}

bool isInfectious(int personDay, int day, int latencyDays) noexcept {
    return day - personDay > latencyDays;
}

// Contact k (1-based) among M persons hits one hit before with the chance
// j/M, j the distinct persons of contacts 1..k-1, which is at most k - 1.
// Within a block of contacts up to b, candidates come at the steady chance
// q = (b - 1)/M, geometric gaps apart, and a candidate is a repeat with the
// chance j/(M q): each contact is a repeat with the chance j/M, exactly.
std::int64_t repeatedHits(Random& random, std::int64_t contacts, double persons) noexcept {
    std::int64_t repeats = 0;
    for (std::int64_t k = 2; k <= contacts;) {
        const std::int64_t blockEnd = std::min(contacts, 2 * k);
        const double q = static_cast<double>(blockEnd - 1) / persons;
        const double logMiss = std::log1p(-q);
        for (;;) {
            // Trials up to the next candidate: 1 + floor(log U / log(1 - q)), U in (0, 1].
            k += static_cast<std::int64_t>(std::floor(std::log(1 - random.nextUnit()) / logMiss));
            if (k > blockEnd) break;
            const auto before = static_cast<double>(k - 1 - repeats);
            if (random.nextUnit() * q * persons < before) ++repeats;
            ++k;
        }
        k = blockEnd + 1;
    }
    return repeats;
}

}  // namespace

std::int64_t distinctHits(Random& random, std::int64_t contacts, std::int64_t persons) noexcept {
    const auto others = static_cast<double>(persons);
    // Few contacts among many persons hit the same person rarely: counting
    // those repeats costs less than counting the persons hit.
    if (2 * contacts < persons) return contacts - repeatedHits(random, contacts, others);
    std::int64_t hit = 0;
    for (double used = 0; hit < persons; ++hit) {
        // Trials up to the next new person: 1 + floor(log U / log(j / M)), U in (0, 1].
        const double trials = hit == 0 ? 1
                                       : 1 + std::floor(std::log(1 - random.nextUnit()) /
                                                        std::log(static_cast<double>(hit) / others));
        if (used + trials > static_cast<double>(contacts)) break;
        used += trials;
    }
    return hit;
}

double drawBelowChance(float infectionPerMille) noexcept {
    const int threshold = wholeNumberThreshold(infectionPerMille);
    return threshold <= 0 ? 0.0 : std::min(1.0, (threshold - 0.5) / 1000.0);
}

std::int64_t binomialCount(Random& random, std::int64_t n, double p) noexcept {
    if (p <= 0 || n <= 0) return 0;
    if (p >= 1) return n;
    if (p > 0.5) return n - binomialCount(random, n, 1 - p);
    if (static_cast<double>(n) * p < largestInvertedMean) return binomialByInversion(random, n, p);
    return binomialByRejection(random, n, p);
}

CountEpidemic::CountEpidemic(const Parameters& parameters, std::uint64_t seed, const RunScope& scope)
    : parameters_(parameters),
      persons_(scope.persons),
      random_(seed),
      infectedOnDay_(static_cast<std::size_t>(std::max(scope.days, 0)) + 1) {
    // The first cases lie among persons 1..N-1 (initialCasesOf keeps them off the ends).
    infectedOnDay_[0] = scope.initialCases;
    infected_ = infectedOnDay_[0];
    notInfected_ = persons_ - 1 - infected_;
    tally();
}

void CountEpidemic::infectionsOfDay(int day) noexcept {
    const int latency = parameters_.latencyDays;
    std::int64_t infectiousFull = 0;
    for (int d = oldestInfectedDay_; d < day && isInfectious(d, day, latency); ++d)
        infectiousFull += infectedOnDay_[static_cast<std::size_t>(d)];
    const auto infectiousSingle = [&](const Single& person) {
        return person.status == infected && isInfectious(person.infectionDay, day, latency) ? 1 : 0;
    };
    const auto notInfectedSingle = [](const Single& person) { return person.status == notInfected ? 1 : 0; };
    const std::int64_t infectiousWeight =
        2 * infectiousFull + infectiousSingle(zero_) + infectiousSingle(last_);
    const int singleWeight = notInfectedSingle(zero_) + notInfectedSingle(last_);
    const std::int64_t notInfectedWeight = 2 * std::int64_t{notInfected_} + singleWeight;
    if (infectiousWeight == 0 || notInfectedWeight == 0) return;

    // Encounters keep their meaning per 1000 persons: each person meets as often in any population.
    const double allWeight = 2.0 * persons_;
    const double pairChance = 2.0 * (static_cast<double>(infectiousWeight) / allWeight) *
                              (static_cast<double>(notInfectedWeight) / allWeight);
    const std::int64_t contacts =
        binomialCount(random_, std::int64_t{parameters_.encountersPerDay} * persons_,
                      pairChance * drawBelowChance(parameters_.infectionPerMille));
    const int hitFull = contacts <= mostContactsOneByOne ? distinctHitsOneByOne(contacts, singleWeight, day)
                                                         : distinctHitsInBulk(contacts, singleWeight, day);
    infectedOnDay_[static_cast<std::size_t>(day)] += hitFull;
    notInfected_ -= hitFull;
    infected_ += hitFull;
}

// Each contact hits a person not infected at the start of the day, by weight:
// persons 0 and N one, the others two. Returns the persons 1..N-1 hit.
int CountEpidemic::distinctHitsOneByOne(std::int64_t contacts, int singleWeight, int day) noexcept {
    const int zeroWeight = zero_.status == notInfected ? 1 : 0;
    const double notInfectedWeight = 2.0 * notInfected_ + singleWeight;
    const int notInfectedAtStart = notInfected_;
    int hitFull = 0;
    for (std::int64_t c = 0; c < contacts; ++c) {
        const double at = random_.nextUnit() * notInfectedWeight;
        if (at < singleWeight) {
            Single& person = at < zeroWeight ? zero_ : last_;
            if (person.status == notInfected) person = {infected, day};
        } else if (random_.nextUnit() * notInfectedAtStart >= hitFull) {
            ++hitFull;  // one not hit before today
        }
    }
    return hitFull;
}

// The same law at a cost per person hit: the contacts split between the two
// single persons and the others by weight; among the M others, after j
// distinct ones, the contacts up to the next new one are geometric with the
// chance (M - j) / M.
int CountEpidemic::distinctHitsInBulk(std::int64_t contacts, int singleWeight, int day) noexcept {
    const double notInfectedWeight = 2.0 * notInfected_ + singleWeight;
    const std::int64_t singleContacts = binomialCount(random_, contacts, singleWeight / notInfectedWeight);
    if (singleContacts > 0) {
        bool hitsZero = zero_.status == notInfected;
        bool hitsLast = last_.status == notInfected;
        if (hitsZero && hitsLast) {
            // All on one of the two with the chance 2^-contacts each.
            const double allOnOne =
                std::ldexp(1.0, -static_cast<int>(std::min<std::int64_t>(singleContacts, 1100)));
            const double u = random_.nextUnit();
            hitsLast = u >= allOnOne;
            hitsZero = u < allOnOne || u >= 2 * allOnOne;
        }
        if (hitsZero) zero_ = {infected, day};
        if (hitsLast) last_ = {infected, day};
    }
    return static_cast<int>(distinctHits(random_, contacts - singleContacts, notInfected_));
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
    counts_ = {susceptible, infectedCount, persons_ - susceptible - infectedCount};
}

void CountEpidemic::simulateDay(int day) noexcept {
    infectionsOfDay(day);
    recoveriesOfDay(day);
    tally();
}

Trajectory countingRun(const Parameters& parameters, std::uint64_t seed,
                       std::span<const ParameterChange> changes, const RunScope& scope) {
    CountEpidemic run(parameters, seed, scope);
    Trajectory days;
    days.reserve(static_cast<std::size_t>(std::max(scope.days, 0)));
    stepDays(run, changes, scope.days, [&](int, const DailyCounts& counts) {
        days.push_back(counts);
        return true;
    });
    return days;
}

}  // namespace pandemie
