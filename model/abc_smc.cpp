#include "model/abc_smc.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "model/fit_seeds.h"

namespace pandemie {

namespace {

constexpr std::size_t parameterCount = fitQuantityTable.size();

// The kernel's steps reach 3.5 sigma: the normal density leaves less than
// 5e-4 of its weight beyond.
constexpr double kernelReachSigmas = 3.5;
// The narrowest kernel: a generation of one value still proposes each
// neighbour with a quarter of the chance of the value itself.
constexpr double smallestKernelSigma = 0.6;
// A tolerance less than 1 % below the last one does not pay for a generation.
constexpr double toleranceShrink = 0.99;
// A batch holds a fifth more proposals than the acceptance so far asks for,
// and a few hundred more, so that one batch mostly completes a generation.
constexpr double batchMargin = 1.2;
constexpr std::int64_t batchExtra = 256;
// At least a batch worth spreading over threads or processes, at most a
// million sums held at once.
constexpr std::int64_t smallestBatch = 1024;
constexpr std::int64_t largestBatch = 1 << 20;
// The acceptance guessed for a generation's first batch, and the smallest
// one a batch is sized for, which bounds the first batch after a dry one.
constexpr double firstAcceptanceGuess = 0.05;
constexpr double smallestAcceptance = 1e-4;

int uniformInt(Random& random, ParameterRange range) {
    const double span = range.max - range.min + 1;
    return std::min(range.max, range.min + static_cast<int>(random.nextUnit() * span));
}

bool insidePrior(const FitSettings& settings, const ParameterValues& values) noexcept {
    for (std::size_t p = 0; p < parameterCount; ++p)
        if (values[p] < settings.prior[p].min || values[p] > settings.prior[p].max) return false;
    return true;
}

void normalise(std::vector<Particle>& particles) {
    double total = 0;
    for (const Particle& particle : particles) total += particle.weight;
    for (Particle& particle : particles) particle.weight /= total;
}

// The generations of one fit, run by run through the judge.
class AbcSmc {
public:
    AbcSmc(const FitSettings& settings, const ObservationDistance& distance, const Judge& judge,
           const Spread& spread)
        : settings_(settings), distance_(distance), judge_(judge), spread_(spread) {}

    SmcResult run() {
        SmcResult result;
        std::optional<Population> population;
        population.emplace(settings_, firstGeneration(result));
        for (int g = 1; g < settings_.maxGenerations; ++g) {
            // Once runs match the observations exactly, only those are kept;
            // a tolerance that no longer shrinks would only cost simulations.
            const std::optional<double> tolerance =
                nextTolerance(population->particles(), result.generations.back().tolerance);
            if (!tolerance) break;
            std::optional<std::vector<Particle>> next = generation(g, *population, *tolerance, result);
            if (!next) break;
            population.emplace(settings_, std::move(*next));
            const Generation& last = result.generations.back();
            const double acceptance =
                static_cast<double>(settings_.particles) / static_cast<double>(last.proposals);
            if (acceptance < settings_.stopAcceptance || *tolerance <= 0) break;
        }
        result.posterior = population->particles();
        return result;
    }

private:
    [[nodiscard]] ParameterValues priorDraw(Random& random) const {
        ParameterValues values{};
        for (std::size_t p = 0; p < parameterCount; ++p) values[p] = uniformInt(random, settings_.prior[p]);
        return values;
    }

    std::vector<Particle> firstGeneration(SmcResult& result) {
        const auto count = static_cast<std::int64_t>(settings_.particles);
        const auto proposal = [&](std::int64_t i) {
            Random random(seedOf(settings_.seed, Stream::proposal, 0, static_cast<std::uint64_t>(i)));
            return priorDraw(random);
        };
        std::vector<double> sums;
        spread_(
            count,
            [&](std::int64_t i) {
                return judge_(proposal(i),
                              seedOf(settings_.seed, Stream::judgedRun, 0, static_cast<std::uint64_t>(i)),
                              unreached);
            },
            sums);
        std::vector<Particle> particles;
        for (std::int64_t i = 0; i < count; ++i)
            particles.push_back({proposal(i), 1.0, distance_.distance(sums[static_cast<std::size_t>(i)])});
        normalise(particles);
        result.generations.push_back({unreached, count, count});
        simulations_ += count;
        return particles;
    }

    std::optional<std::vector<Particle>> generation(int g, const Population& population, double tolerance,
                                                    SmcResult& result) {
        const auto gen = static_cast<std::uint64_t>(g);
        const auto proposal = [&](std::int64_t i) {
            Random random(seedOf(settings_.seed, Stream::proposal, gen, static_cast<std::uint64_t>(i)));
            return population.propose(random);
        };
        const double bound = distance_.sumOfSquaresFor(tolerance);
        std::vector<Particle> accepted;
        std::int64_t start = 0;
        std::int64_t simulated = 0;
        double acceptance = firstAcceptanceGuess;
        while (std::ssize(accepted) < settings_.particles) {
            const auto missing = static_cast<double>(settings_.particles - std::ssize(accepted));
            const auto batch = std::clamp<std::int64_t>(
                static_cast<std::int64_t>(batchMargin * missing / acceptance) + batchExtra, smallestBatch,
                largestBatch);
            if (simulations_ + batch > settings_.simulationBudget) return std::nullopt;
            std::vector<double> sums;
            spread_(
                batch,
                [&](std::int64_t k) -> double {
                    const std::int64_t i = start + k;
                    const ParameterValues values = proposal(i);
                    if (!insidePrior(settings_, values)) return -1;  // never run
                    return judge_(
                        values, seedOf(settings_.seed, Stream::judgedRun, gen, static_cast<std::uint64_t>(i)),
                        bound);
                },
                sums);
            std::int64_t taken = 0;
            for (std::int64_t k = 0; k < batch && std::ssize(accepted) < settings_.particles; ++k, ++taken) {
                const double sum = sums[static_cast<std::size_t>(k)];
                if (sum < 0) continue;
                ++simulated;
                if (sum <= bound) accepted.push_back({proposal(start + k), 0.0, distance_.distance(sum)});
            }
            simulations_ += std::count_if(sums.begin(), sums.end(), [](double s) { return s >= 0; });
            start += taken;
            acceptance = std::max(smallestAcceptance,
                                  static_cast<double>(std::ssize(accepted)) / static_cast<double>(start));
        }
        weighByProposal(accepted, population);
        result.generations.push_back({tolerance, start, simulated});
        return accepted;
    }

    const FitSettings& settings_;
    const ObservationDistance& distance_;
    const Judge& judge_;
    const Spread& spread_;
    std::int64_t simulations_ = 0;
};

}  // namespace

StepKernel::StepKernel(double sigma) : reach_(static_cast<int>(std::ceil(kernelReachSigmas * sigma))) {
    // Replaces the chances of the kernel that never steps.
    std::vector<double> chances;
    double total = 0;
    for (int step = -reach_; step <= reach_; ++step) {
        const double w = std::exp(-0.5 * step * step / (sigma * sigma));
        chances.push_back(w);
        total += w;
    }
    for (double& share : chances) share /= total;
    chances_ = std::move(chances);
}

double StepKernel::chance(int step) const noexcept {
    return std::abs(step) > reach_
               ? 0.0
               : chances_[static_cast<std::size_t>(step) + static_cast<std::size_t>(reach_)];
}

int StepKernel::draw(double u) const noexcept {
    for (int step = -reach_; step < reach_; ++step) {
        u -= chance(step);
        if (u < 0) return step;
    }
    return reach_;
}

Population::Population(const FitSettings& settings, std::vector<Particle> particles)
    : settings_(settings), particles_(std::move(particles)), draw_(particles_) {
    for (std::size_t p = 0; p < parameterCount; ++p) {
        if (!settings.isFree(p)) continue;
        double mean = 0;
        double square = 0;
        for (const Particle& particle : particles_) {
            mean += particle.weight * particle.values[p];
            square += particle.weight * particle.values[p] * particle.values[p];
        }
        // Twice the variance, and at least a step to either side now and then.
        kernels_[p] =
            StepKernel(std::max(smallestKernelSigma, std::sqrt(2 * std::max(0.0, square - mean * mean))));
    }
    std::map<ParameterValues, double> sums;
    for (const Particle& particle : particles_) sums[particle.values] += particle.weight;
    points_.assign(sums.begin(), sums.end());
}

ParameterValues Population::propose(Random& random) const {
    ParameterValues values = draw_.draw(random).values;
    for (std::size_t p = 0; p < parameterCount; ++p)
        if (settings_.isFree(p)) values[p] += kernels_[p].draw(random.nextUnit());
    return values;
}

double Population::proposalDensity(const ParameterValues& values) const {
    double density = 0;
    for (const auto& [point, weight] : points_) {
        double chance = weight;
        for (std::size_t p = 0; p < parameterCount && chance > 0; ++p)
            if (settings_.isFree(p)) chance *= kernels_[p].chance(values[p] - point[p]);
        density += chance;
    }
    return density;
}

std::optional<double> nextTolerance(const std::vector<Particle>& particles, double previous) {
    std::vector<double> distances;
    distances.reserve(particles.size());
    for (const Particle& particle : particles) distances.push_back(particle.distance);
    std::sort(distances.begin(), distances.end());
    const double median = distances[distances.size() / 2];
    const double ceiling = toleranceShrink * previous;
    if (median < ceiling || median == 0) return median;
    const auto below = std::lower_bound(distances.begin(), distances.end(), ceiling);
    if (below == distances.begin()) return std::nullopt;
    return *std::prev(below);
}

void weighByProposal(std::vector<Particle>& accepted, const Population& population) {
    std::map<ParameterValues, double> weightOf;
    for (Particle& particle : accepted) {
        auto [at, fresh] = weightOf.try_emplace(particle.values, 0.0);
        if (fresh) at->second = 1.0 / population.proposalDensity(particle.values);
        particle.weight = at->second;
    }
    normalise(accepted);
}

SmcResult abcSmc(const FitSettings& settings, const ObservationDistance& distance, const Judge& judge,
                 const Spread& spread) {
    return AbcSmc(settings, distance, judge, spread).run();
}

}  // namespace pandemie
