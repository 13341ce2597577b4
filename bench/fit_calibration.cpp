// Calibration of the fit: for synthetic data sets made from parameters drawn
// from the prior (the first 40 days of `infected` of one exact run each), how
// often the 80 % posterior interval holds the truth, whether the ranks of the
// truth among posterior draws are uniform (simulation-based calibration, with
// ties broken at random), how often the forecast band holds the run's own
// later days, and how long each fit takes.
// Usage: fit_calibration [data sets] [threads] [first data set] [stop acceptance] [persons]
//        fit_calibration --short [threads]
//        fit_calibration --sampler
// A population other than 1000 calibrates the fit on runs of that many
// persons (three first cases, 180 days). --sampler compares the count
// engine's binomial counts with the exact chances, by a chi-square test.
// The short run (a CTest test) fits a few data sets with fewer particles and
// fails unless coverage and forecast band lie in a band wide enough for so
// few sets, which a broken fit leaves.

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/count_epidemic.h"
#include "model/fit.h"
#include "model/random.h"

namespace {

using namespace pandemie;

constexpr int observedDays = 40;
constexpr int rankDraws = 99;  // ranks 0..99
constexpr int rankBins = 10;

// The short run: its data sets, and the fit made smaller to take seconds.
constexpr int shortSets = 12;
void makeShort(FitSettings& settings) {
    settings.particles = 300;
    settings.forecastRuns = 60;
    settings.candidatesPerForecastRun = 5;
    settings.stopAcceptance = 0.02;
}
// What a working fit gives on the short run with room for chance: the share
// of the four parameters' truths inside the randomised 80 % interval, and of
// the run's later days inside the forecast band.
constexpr double shortCoverageLow = 0.6;
constexpr double shortCoverageHigh = 0.98;
constexpr double shortBandLow = 0.7;

// The upper tail of the chi-square distribution, by the series of the lower
// regularised gamma function.
double chiSquareTail(double x, int degrees) {
    const double a = degrees / 2.0;
    const double h = x / 2.0;
    double term = 1.0 / a;
    double sum = term;
    for (int n = 1; n < 500; ++n) {
        term *= h / (a + n);
        sum += term;
    }
    return 1.0 - std::exp(-h + a * std::log(h) - std::lgamma(a)) * sum;
}

struct Tally {
    int covered = 0;    // truth inside the randomised 80 % interval
    int inclusive = 0;  // truth inside [p10, p90]
    std::array<int, rankBins> ranks{};
};

// The rank of truth among weighted draws, ties at random; and whether the
// randomised quantile of the truth lies in 0.1..0.9.
void tally(Tally& tally, const std::vector<std::pair<double, double>>& valueWeights, double truth,
           Random& random) {
    double below = 0;
    double equal = 0;
    for (const auto& [value, weight] : valueWeights) {
        if (value < truth - 1e-9)
            below += weight;
        else if (value <= truth + 1e-9)
            equal += weight;
    }
    const double quantile = below + random.nextUnit() * equal;
    if (quantile >= 0.1 && quantile <= 0.9) ++tally.covered;
    if (below + equal >= 0.1 && below < 0.9) ++tally.inclusive;
    // The rank among rankDraws posterior draws: those below, and a uniform
    // share 0..all of those equal to the truth.
    int lower = 0;
    int ties = 0;
    for (int d = 0; d < rankDraws; ++d) {
        const double u = random.nextUnit();
        lower += u < below ? 1 : 0;
        ties += u >= below && u < below + equal ? 1 : 0;
    }
    const int rank = lower + std::min(ties, static_cast<int>(random.nextUnit() * (ties + 1)));
    ++tally.ranks[static_cast<std::size_t>(rank * rankBins / (rankDraws + 1))];
}

// 400,000 binomial counts for each of a few trial numbers and chances, from
// small means drawn by inversion to a billion trials: the chi-square of the
// counts against the exact chances, over the bins expecting 20 and more.
int checkSampler() {
    struct Case {
        std::int64_t n;
        double p;
    };
    constexpr int draws = 400'000;
    for (const Case c : {Case{20'000, 0.005}, Case{1000, 0.3}, Case{100'000, 0.004}, Case{600, 0.5},
                         Case{1'000'000'000, 1e-6}, Case{1'000'000'000, 1e-4}}) {
        Random random(42);
        const double mean = static_cast<double>(c.n) * c.p;
        const double spread = std::sqrt(mean * (1 - c.p));
        const auto low = static_cast<std::int64_t>(std::max(0.0, std::floor(mean - 6 * spread)));
        std::vector<int> counts(static_cast<std::size_t>(12 * spread) + 3);
        double sum = 0;
        double squares = 0;
        for (int i = 0; i < draws; ++i) {
            const std::int64_t k = binomialCount(random, c.n, c.p);
            sum += static_cast<double>(k) - mean;
            squares += (static_cast<double>(k) - mean) * (static_cast<double>(k) - mean);
            const auto bin = std::clamp<std::int64_t>(k - low, 0, std::ssize(counts) - 1);
            ++counts[static_cast<std::size_t>(bin)];
        }
        double chi = 0;
        int bins = 0;
        for (std::size_t b = 0; b < counts.size(); ++b) {
            const double k = static_cast<double>(low) + static_cast<double>(b);
            const auto n = static_cast<double>(c.n);
            const double expected =
                draws * std::exp(std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1) +
                                 k * std::log(c.p) + (n - k) * std::log1p(-c.p));
            if (expected < 20) continue;
            chi += (counts[b] - expected) * (counts[b] - expected) / expected;
            ++bins;
        }
        std::printf(
            "n %10lld  p %-8g  mean off by %+.2f standard errors, spread ratio %.4f, chi-square %.1f on %d "
            "bins (p = %.2f)\n",
            static_cast<long long>(c.n), c.p, sum / draws / spread * std::sqrt(draws),
            std::sqrt(squares / draws) / spread, chi, bins, bins > 1 ? chiSquareTail(chi, bins - 1) : 1.0);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--sampler") return checkSampler();
    const bool brief = argc > 1 && std::string(argv[1]) == "--short";
    const int sets = brief ? shortSets : argc > 1 ? std::atoi(argv[1]) : 100;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 2;
    const int first = !brief && argc > 3 ? std::atoi(argv[3]) : 0;
    const double stopAcceptance =
        !brief && argc > 4 ? std::atof(argv[4]) : defaultFitSettings().stopAcceptance;
    RunScope scope;
    if (!brief && argc > 5) scope.persons = std::atoi(argv[5]);
    const Spread spread = threadSpread(threads);
    std::array<Tally, 5> tallies{};  // the four parameters, then encounters x (infection - 1/2)
    int bandCovered = 0;
    int bandPoints = 0;
    int liveCovered = 0;
    int livePoints = 0;
    std::vector<double> seconds;
    double judging = 0;
    double forecasting = 0;
    std::vector<std::int64_t> simulations;
    int misfits = 0;
    Random tieBreaks(7);
    for (int set = first; set < first + sets; ++set) {
        Random draw(0xCA11B00ULL + static_cast<std::uint64_t>(set));
        ParameterValues truth{};
        for (const ParameterInfo& info : parameterTable)
            truth[static_cast<std::size_t>(info.parameter)] =
                info.min + static_cast<int>(draw.nextUnit() * (info.max - info.min + 1));
        const Trajectory run =
            runSeeded(parametersOf(truth), 1000U + static_cast<std::uint64_t>(set), {}, scope);
        Observations observed;
        for (int day = 1; day <= observedDays; ++day)
            observed.days.push_back(
                {day, {std::nullopt, run[static_cast<std::size_t>(day - 1)].countInfected, std::nullopt}});

        FitSettings settings = defaultFitSettings();
        settings.seed = 5000U + static_cast<std::uint64_t>(set);
        settings.stopAcceptance = stopAcceptance;
        settings.scope = scope;
        if (brief) makeShort(settings);
        const auto start = std::chrono::steady_clock::now();
        const FitResult result = fit(observed, settings, spread);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        simulations.push_back(result.simulations());
        judging += result.judgingSeconds;
        forecasting += result.forecastSeconds;
        misfits += result.misfit.fails() ? 1 : 0;

        for (std::size_t p = 0; p < 5; ++p) {
            std::vector<std::pair<double, double>> values;
            for (const Particle& particle : result.posterior) {
                const double value =
                    p < 4 ? particle.values[p] : particle.values[0] * std::max(0.0, particle.values[1] - 0.5);
                values.emplace_back(value, particle.weight);
            }
            const double trueValue = p < 4 ? truth[p] : truth[0] * std::max(0.0, truth[1] - 0.5);
            tally(tallies[p], values, trueValue, tieBreaks);
        }
        const PercentileCourses courses = result.bands.courses();
        for (int day = observedDays + 1; day <= scope.days; ++day) {
            const auto d = static_cast<std::size_t>(day - 1);
            const int value = run[d].countInfected;
            const bool inside =
                value >= courses.p10[d].countInfected && value <= courses.p90[d].countInfected;
            bandCovered += inside ? 1 : 0;
            ++bandPoints;
            if (run[d].countInfected > 0 || courses.p90[d].countInfected > 0) {
                liveCovered += inside ? 1 : 0;
                ++livePoints;
            }
        }
        std::printf(
            "set %3d  truth %2d %2d %2d %2d  day40 %3d  %5.2f s  %8lld simulations  %zu generations%s\n", set,
            truth[0], truth[1], truth[2], truth[3], run[observedDays - 1].countInfected, seconds.back(),
            static_cast<long long>(simulations.back()), result.generations.size(),
            result.misfit.fails() ? "  misfit" : "");
        std::fflush(stdout);
    }
    const std::array<std::string, 5> names{"encounters", "infection", "latency", "recovery", "transmission"};
    std::printf("\n%-13s %9s %9s %8s\n", "parameter", "coverage", "[p10,p90]", "SBC p");
    for (std::size_t p = 0; p < 5; ++p) {
        double chi = 0;
        const double expected = static_cast<double>(sets) / rankBins;
        for (const int count : tallies[p].ranks) chi += (count - expected) * (count - expected) / expected;
        std::printf("%-13s %8.0f%% %8.0f%% %8.3f   ranks", names[p].c_str(),
                    100.0 * tallies[p].covered / sets, 100.0 * tallies[p].inclusive / sets,
                    chiSquareTail(chi, rankBins - 1));
        for (const int count : tallies[p].ranks) std::printf(" %d", count);
        std::printf("\n");
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(simulations.begin(), simulations.end());
    std::printf("forecast band: %.1f%% of day points 41..%d (%.1f%% where infected)\n",
                100.0 * bandCovered / bandPoints, scope.days, 100.0 * liveCovered / std::max(1, livePoints));
    std::printf(
        "time: %.0f %% judging the generations' runs, %.0f %% the forecast's exact runs and the check\n",
        100 * judging / (judging + forecasting), 100 * forecasting / (judging + forecasting));
    std::printf(
        "time per fit: median %.2f s, worst %.2f s; simulations median %lld, most %lld; misfit reported %d\n",
        seconds[seconds.size() / 2], seconds.back(),
        static_cast<long long>(simulations[simulations.size() / 2]),
        static_cast<long long>(simulations.back()), misfits);
    if (!brief) return 0;
    int covered = 0;
    for (std::size_t p = 0; p < 4; ++p) covered += tallies[p].covered;
    const double coverage = static_cast<double>(covered) / (4.0 * sets);
    const double band = static_cast<double>(bandCovered) / bandPoints;
    const bool good = coverage >= shortCoverageLow && coverage <= shortCoverageHigh && band >= shortBandLow;
    std::printf(
        "short run: parameter coverage %.0f %% (%.0f..%.0f %%), band %.0f %% (at least %.0f %%): %s\n",
        100 * coverage, 100 * shortCoverageLow, 100 * shortCoverageHigh, 100 * band, 100 * shortBandLow,
        good ? "passed" : "FAILED");
    return good ? 0 : 1;
}
