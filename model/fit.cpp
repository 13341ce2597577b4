#include "model/fit.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <numeric>
#include <optional>
#include <utility>

#include "model/count_epidemic.h"
#include "model/random.h"

namespace pandemie {

namespace {

constexpr double unreached = std::numeric_limits<double>::infinity();
constexpr std::size_t parameterCount = parameterTable.size();

// Independent streams of seeds: proposals, their runs, forecast draws, forecast runs, checks.
enum class Stream : std::uint64_t { proposal, judgedRun, forecastDraw, forecastRun, checkRun };

std::uint64_t seedOf(std::uint64_t base, Stream stream, std::uint64_t generation, std::uint64_t index) {
    std::uint64_t z = base ^ ((static_cast<std::uint64_t>(stream) << 56U) | (generation << 40U)) ^
                      (index * 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31U);
}

int uniformInt(Random& random, ParameterRange range) {
    const double span = range.max - range.min + 1;
    return std::min(range.max, range.min + static_cast<int>(random.nextUnit() * span));
}

// The sum of squares of a run's days up to the last observed one, or
// nothing once it passes `bound`.
template <class Run>
double sumOfSquaresOf(Run& run, const ObservationDistance& distance, const Schedule& changes,
                      const Parameters& start, double bound) {
    Parameters current = start;
    auto change = changes.begin();
    double sum = 0;
    DailyCounts previous = run.counts();
    for (int day = 1; day <= distance.lastDay(); ++day) {
        bool changed = false;
        for (; change != changes.end() && change->day <= day; ++change) {
            setParameterValue(current, change->parameter, change->value);
            changed = true;
        }
        if (changed) run.setParameters(current);
        run.simulateDay(day);
        sum += distance.ofDay(day, run.counts(), previous);
        if (sum > bound) return unreached;
        previous = run.counts();
    }
    return sum;
}

// The discrete perturbation of one parameter: a step of -reach..reach with
// the weights of a normal density.
class StepKernel {
public:
    StepKernel() = default;
    explicit StepKernel(double sigma) : reach_(static_cast<int>(std::ceil(3.5 * sigma))) {
        double total = 0;
        for (int step = -reach_; step <= reach_; ++step) {
            const double w = std::exp(-0.5 * step * step / (sigma * sigma));
            chances_.push_back(w);
            total += w;
        }
        for (double& share : chances_) share /= total;
    }
    [[nodiscard]] double chance(int step) const noexcept {
        return std::abs(step) > reach_
                   ? 0.0
                   : chances_[static_cast<std::size_t>(step) + static_cast<std::size_t>(reach_)];
    }
    [[nodiscard]] int draw(double u) const noexcept {
        for (int step = -reach_; step < reach_; ++step) {
            u -= chance(step);
            if (u < 0) return step;
        }
        return reach_;
    }

private:
    int reach_ = 0;
    std::vector<double> chances_{1.0};
};

bool isFree(const FitSettings& settings, std::size_t p) noexcept {
    return settings.prior[p].min < settings.prior[p].max;
}

bool insidePrior(const FitSettings& settings, const ParameterValues& values) noexcept {
    for (std::size_t p = 0; p < parameterCount; ++p)
        if (values[p] < settings.prior[p].min || values[p] > settings.prior[p].max) return false;
    return true;
}

// Distinct particles with their summed weights.
using WeightedPoints = std::vector<std::pair<ParameterValues, double>>;

WeightedPoints pointsOf(const std::vector<Particle>& particles) {
    std::map<ParameterValues, double> sums;
    for (const Particle& particle : particles) sums[particle.values] += particle.weight;
    return {sums.begin(), sums.end()};
}

// Draws particles by weight.
class WeightedDraw {
public:
    explicit WeightedDraw(const std::vector<Particle>& particles) : particles_(particles) {
        double sum = 0;
        for (const Particle& particle : particles) cumulative_.push_back(sum += particle.weight);
    }
    [[nodiscard]] const Particle& draw(Random& random) const {
        const double u = random.nextUnit() * cumulative_.back();
        const auto at = std::upper_bound(cumulative_.begin(), cumulative_.end(), u) - cumulative_.begin();
        return particles_[static_cast<std::size_t>(std::min<std::ptrdiff_t>(at, std::ssize(particles_) - 1))];
    }

private:
    const std::vector<Particle>& particles_;
    std::vector<double> cumulative_;
};

// A generation's particles and the kernels that perturb them; it refers to
// its own particles, so it stays where it was made.
class Population {
public:
    Population(const FitSettings& settings, std::vector<Particle> particles)
        : settings_(settings), particles_(std::move(particles)), draw_(particles_) {
        for (std::size_t p = 0; p < parameterCount; ++p) {
            if (!isFree(settings, p)) continue;
            double mean = 0;
            double square = 0;
            for (const Particle& particle : particles_) {
                mean += particle.weight * particle.values[p];
                square += particle.weight * particle.values[p] * particle.values[p];
            }
            // Twice the variance, and at least a step to either side now and then.
            kernels_[p] = StepKernel(std::max(0.6, std::sqrt(2 * std::max(0.0, square - mean * mean))));
        }
        points_ = pointsOf(particles_);
    }
    Population(const Population&) = delete;
    Population& operator=(const Population&) = delete;
    Population(Population&&) = delete;
    Population& operator=(Population&&) = delete;
    ~Population() = default;

    [[nodiscard]] ParameterValues propose(Random& random) const {
        ParameterValues values = draw_.draw(random).values;
        for (std::size_t p = 0; p < parameterCount; ++p)
            if (isFree(settings_, p)) values[p] += kernels_[p].draw(random.nextUnit());
        return values;
    }

    // The density of proposing `values` from this population.
    [[nodiscard]] double proposalDensity(const ParameterValues& values) const {
        double density = 0;
        for (const auto& [point, weight] : points_) {
            double chance = weight;
            for (std::size_t p = 0; p < parameterCount && chance > 0; ++p)
                if (isFree(settings_, p)) chance *= kernels_[p].chance(values[p] - point[p]);
            density += chance;
        }
        return density;
    }

    [[nodiscard]] const std::vector<Particle>& particles() const noexcept { return particles_; }

private:
    const FitSettings& settings_;
    std::vector<Particle> particles_;
    WeightedDraw draw_;
    std::array<StepKernel, parameterCount> kernels_{};
    WeightedPoints points_;
};

// The median distance of the generation; where many runs lie at the same
// distance (counts match or miss by whole persons), the largest distance
// below that of the generation before; nothing when none is.
std::optional<double> nextTolerance(const std::vector<Particle>& particles, double previous) {
    std::vector<double> distances;
    distances.reserve(particles.size());
    for (const Particle& particle : particles) distances.push_back(particle.distance);
    std::sort(distances.begin(), distances.end());
    const double median = distances[distances.size() / 2];
    const double ceiling = 0.99 * previous;
    if (median < ceiling || median == 0) return median;
    const auto below = std::lower_bound(distances.begin(), distances.end(), ceiling);
    if (below == distances.begin()) return std::nullopt;
    return *std::prev(below);
}

void normalise(std::vector<Particle>& particles) {
    double total = 0;
    for (const Particle& particle : particles) total += particle.weight;
    for (Particle& particle : particles) particle.weight /= total;
}

class Fit {
public:
    Fit(const Observations& observed, const FitSettings& settings, const Spread& spread,
        std::atomic<std::int64_t>* done)
        : settings_(settings), distance_(observed), spread_(spread), done_(done) {}

    FitResult fitted() {
        const auto start = std::chrono::steady_clock::now();
        FitResult result;
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
        const auto judgingDone = std::chrono::steady_clock::now();
        forecast(result);
        result.misfit = misfit(result);
        result.judgingSeconds = std::chrono::duration<double>(judgingDone - start).count();
        result.forecastSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - judgingDone).count();
        return result;
    }

private:
    [[nodiscard]] double judgedSum(const ParameterValues& values, std::uint64_t seed, double bound) const {
        const Parameters parameters = parametersOf(values);
        CountEpidemic run(parameters, seed);
        const double sum = sumOfSquaresOf(run, distance_, settings_.changes, parameters, bound);
        if (done_ != nullptr) done_->fetch_add(1, std::memory_order_relaxed);
        return sum;
    }

    [[nodiscard]] ParameterValues priorDraw(Random& random) const {
        ParameterValues values{};
        for (std::size_t p = 0; p < parameterCount; ++p) values[p] = uniformInt(random, settings_.prior[p]);
        return values;
    }

    std::vector<Particle> firstGeneration(FitResult& result) {
        const auto count = static_cast<std::int64_t>(settings_.particles);
        const auto proposal = [&](std::int64_t i) {
            Random random(seedOf(settings_.seed, Stream::proposal, 0, static_cast<std::uint64_t>(i)));
            return priorDraw(random);
        };
        std::vector<double> sums;
        spread_(
            count,
            [&](std::int64_t i) {
                return judgedSum(proposal(i),
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
                                                    FitResult& result) {
        const auto gen = static_cast<std::uint64_t>(g);
        const auto proposal = [&](std::int64_t i) {
            Random random(seedOf(settings_.seed, Stream::proposal, gen, static_cast<std::uint64_t>(i)));
            return population.propose(random);
        };
        const double bound = distance_.sumOfSquaresFor(tolerance);
        std::vector<Particle> accepted;
        std::int64_t start = 0;
        std::int64_t simulated = 0;
        double acceptance = 0.05;  // a guess for the first batch, then the batches' own
        while (std::ssize(accepted) < settings_.particles) {
            const auto missing = static_cast<double>(settings_.particles - std::ssize(accepted));
            const auto batch = std::clamp<std::int64_t>(
                static_cast<std::int64_t>(1.2 * missing / acceptance) + 256, 1024, 1 << 20);
            if (simulations_ + batch > settings_.simulationBudget) return std::nullopt;
            std::vector<double> sums;
            spread_(
                batch,
                [&](std::int64_t k) -> double {
                    const std::int64_t i = start + k;
                    const ParameterValues values = proposal(i);
                    if (!insidePrior(settings_, values)) return -1;  // never run
                    return judgedSum(
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
            const std::int64_t inBatch =
                std::count_if(sums.begin(), sums.end(), [](double s) { return s >= 0; });
            simulations_ += inBatch;
            start += taken;
            acceptance =
                std::max(1e-4, static_cast<double>(std::ssize(accepted)) / static_cast<double>(start));
        }
        // Uniform prior: the weight is the inverse of the proposal density.
        std::map<ParameterValues, double> weightOf;
        for (Particle& particle : accepted) {
            auto [at, fresh] = weightOf.try_emplace(particle.values, 0.0);
            if (fresh) at->second = 1.0 / population.proposalDensity(particle.values);
            particle.weight = at->second;
        }
        normalise(accepted);
        result.generations.push_back({tolerance, start, simulated});
        return accepted;
    }

    // Exact runs from posterior draws; the closest to the observations are run on to day 180.
    void forecast(FitResult& result) {
        const WeightedDraw draw(result.posterior);
        const std::int64_t candidates = settings_.forecastRuns * settings_.candidatesPerForecastRun;
        const auto candidate = [&](std::int64_t c) {
            Random random(seedOf(settings_.seed, Stream::forecastDraw, 0, static_cast<std::uint64_t>(c)));
            return ForecastRun{draw.draw(random).values,
                               seedOf(settings_.seed, Stream::forecastRun, 0, static_cast<std::uint64_t>(c)),
                               0,
                               {}};
        };
        std::vector<double> sums;
        spread_(
            candidates,
            [&](std::int64_t c) {
                const ForecastRun run = candidate(c);
                const Parameters parameters = parametersOf(run.values);
                Random random(run.seed);
                ExactRun exact(parameters, random);
                const double sum = sumOfSquaresOf(exact, distance_, settings_.changes, parameters, unreached);
                if (done_ != nullptr) done_->fetch_add(1, std::memory_order_relaxed);
                return sum;
            },
            sums);
        std::vector<std::int64_t> order(static_cast<std::size_t>(candidates));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](std::int64_t a, std::int64_t b) {
            return sums[static_cast<std::size_t>(a)] < sums[static_cast<std::size_t>(b)];
        });
        order.resize(static_cast<std::size_t>(std::min(candidates, settings_.forecastRuns)));
        for (const std::int64_t c : order) {
            ForecastRun run = candidate(c);
            run.distance = distance_.distance(sums[static_cast<std::size_t>(c)]);
            result.matching.push_back(run);
        }
        result.forecastCandidates = candidates;
        std::mutex lock;
        forEachIndex(std::ssize(result.matching), settings_.threads, [&](std::int64_t m) {
            ForecastRun& run = result.matching[static_cast<std::size_t>(m)];
            const Trajectory trajectory = seededRun(parametersOf(run.values), settings_.changes, run.seed);
            run.summary = summarize(run.seed, trajectory);
            if (done_ != nullptr) done_->fetch_add(1, std::memory_order_relaxed);
            const std::scoped_lock guard(lock);
            result.bands.add(trajectory);
            result.outcomes.add(run.summary);
        });
    }

    // How far the observations lie from posterior runs, against how far two posterior runs lie apart.
    [[nodiscard]] Misfit misfit(const FitResult& result) const {
        constexpr std::int64_t pairs = 200;
        const WeightedDraw draw(result.posterior);
        std::vector<double> toObserved(pairs);
        std::vector<double> between(pairs);
        for (std::int64_t k = 0; k < pairs; ++k) {
            Random random(seedOf(settings_.seed, Stream::checkRun, 0, static_cast<std::uint64_t>(k)));
            const auto a = trajectoryOf(draw.draw(random).values, seedOf(settings_.seed, Stream::checkRun, 1,
                                                                         static_cast<std::uint64_t>(k)));
            const auto b = trajectoryOf(draw.draw(random).values, seedOf(settings_.seed, Stream::checkRun, 2,
                                                                         static_cast<std::uint64_t>(k)));
            toObserved[static_cast<std::size_t>(k)] = distance_.distance(sumOver(a, distance_));
            const ObservationDistance fromA(distance_.observationsLike(a));
            between[static_cast<std::size_t>(k)] = fromA.distance(sumOver(b, fromA));
        }
        Misfit misfit;
        std::sort(toObserved.begin(), toObserved.end());
        std::sort(between.begin(), between.end());
        misfit.observedDistance = toObserved[pairs / 2];
        misfit.syntheticDistance = between[pairs * 95 / 100];
        for (const ParameterInfo& info : parameterTable) {
            const auto p = static_cast<std::size_t>(info.parameter);
            if (!isFree(settings_, p)) continue;
            const ParameterRange range = settings_.prior[p];
            double atEdge = 0;
            for (const Particle& particle : result.posterior)
                if (particle.values[p] == range.min || particle.values[p] == range.max)
                    atEdge += particle.weight;
            if (atEdge > 0.5) misfit.atPriorEdge.push_back(info.parameter);
        }
        return misfit;
    }

    [[nodiscard]] Trajectory trajectoryOf(const ParameterValues& values, std::uint64_t seed) const {
        Parameters current = parametersOf(values);
        CountEpidemic run(current, seed);
        Trajectory trajectory{};
        auto change = settings_.changes.begin();
        for (int day = 1; day <= distance_.lastDay(); ++day) {
            for (; change != settings_.changes.end() && change->day <= day; ++change) {
                setParameterValue(current, change->parameter, change->value);
                run.setParameters(current);
            }
            run.simulateDay(day);
            trajectory[static_cast<std::size_t>(day - 1)] = run.counts();
        }
        return trajectory;
    }

    static double sumOver(const Trajectory& trajectory, const ObservationDistance& distance) {
        double sum = 0;
        // No day 0 is observed, so day 1 has no change to compare.
        for (int day = 1; day <= distance.lastDay(); ++day)
            sum += distance.ofDay(day, trajectory[static_cast<std::size_t>(day - 1)],
                                  trajectory[static_cast<std::size_t>(std::max(0, day - 2))]);
        return sum;
    }

    // The exact engine, day by day, as runSeeded steps it.
    class ExactRun {
    public:
        ExactRun(const Parameters& parameters, Random& random) : epidemic_(parameters, random) {}
        void setParameters(const Parameters& parameters) noexcept { epidemic_.setParameters(parameters); }
        void simulateDay(int day) noexcept { epidemic_.simulateDayOfIndependentRun(day); }
        [[nodiscard]] const DailyCounts& counts() const noexcept { return epidemic_.counts(); }

    private:
        Epidemic epidemic_;
    };

    const FitSettings& settings_;
    ObservationDistance distance_;
    const Spread& spread_;
    std::atomic<std::int64_t>* done_;
    std::int64_t simulations_ = 0;
};

}  // namespace

Spread threadSpread(int threads) {
    return [threads](std::int64_t count, const std::function<double(std::int64_t)>& item,
                     std::vector<double>& values) {
        values.assign(static_cast<std::size_t>(count), 0.0);
        forEachIndex(count, threads, [&](std::int64_t i) { values[static_cast<std::size_t>(i)] = item(i); });
    };
}

FitSettings defaultFitSettings() {
    FitSettings settings;
    for (const ParameterInfo& info : parameterTable)
        settings.prior[static_cast<std::size_t>(info.parameter)] = {info.min, info.max};
    return settings;
}

ObservationDistance::ObservationDistance(const Observations& observed) {
    for (auto& day : value_) day.fill(-1);
    for (const ObservedDay& day : observed.days)
        for (std::size_t s = 0; s < 3; ++s)
            if (day.counts[s]) value_[static_cast<std::size_t>(day.day)][s] = *day.counts[s];
    for (std::size_t day = 1; day <= runDays; ++day) {
        for (std::size_t s = 0; s < 3; ++s) {
            if (value_[day][s] < 0) continue;
            ++points_;
            if (value_[day - 1][s] >= 0) ++points_;
        }
    }
    lastDay_ = observed.lastDay();
}

Observations ObservationDistance::observationsLike(const Trajectory& run) const {
    Observations observations;
    for (int day = 1; day <= lastDay_; ++day) {
        ObservedDay observed{day, {}};
        bool any = false;
        for (const SeriesField& field : seriesFields) {
            const auto s = static_cast<std::size_t>(field.series);
            if (value_[static_cast<std::size_t>(day)][s] < 0) continue;
            observed.counts[s] = run[static_cast<std::size_t>(day - 1)].*field.count;
            any = true;
        }
        if (any) observations.days.push_back(observed);
    }
    return observations;
}

double ObservationDistance::ofDay(int day, const DailyCounts& counts,
                                  const DailyCounts& previous) const noexcept {
    const auto& values = value_[static_cast<std::size_t>(day)];
    const auto& before = value_[static_cast<std::size_t>(day - 1)];
    double sum = 0;
    for (const SeriesField& field : seriesFields) {
        const auto s = static_cast<std::size_t>(field.series);
        if (values[s] < 0) continue;
        const double count = counts.*field.count;
        const double difference = std::sqrt(count + 0.375) - std::sqrt(values[s] + 0.375);
        sum += difference * difference;
        if (before[s] < 0) continue;
        // The day's change, as a count whose spread grows with its size.
        const double observedChange = values[s] - before[s];
        const double change = count - previous.*field.count;
        sum += (change - observedChange) * (change - observedChange) /
               (std::abs(change) + std::abs(observedChange) + 2);
    }
    return sum;
}

double ObservationDistance::distance(double sumOfSquares) const noexcept {
    return points_ == 0 ? 0 : std::sqrt(sumOfSquares / points_);
}

double ObservationDistance::sumOfSquaresFor(double distance) const noexcept {
    return distance * distance * points_;
}

Parameters parametersOf(const ParameterValues& values) {
    Parameters parameters;
    for (const ParameterInfo& info : parameterTable)
        setParameterValue(parameters, info.parameter, values[static_cast<std::size_t>(info.parameter)]);
    return parameters;
}

ParameterValues valuesOf(const Parameters& parameters) {
    ParameterValues values{};
    for (const ParameterInfo& info : parameterTable)
        values[static_cast<std::size_t>(info.parameter)] = parameterValue(parameters, info.parameter);
    return values;
}

std::vector<RunSummary> FitResult::matchingSummaries() const {
    std::vector<RunSummary> summaries;
    summaries.reserve(matching.size());
    for (const ForecastRun& run : matching) summaries.push_back(run.summary);
    return summaries;
}

std::int64_t FitResult::simulations() const noexcept {
    std::int64_t total = forecastCandidates;
    for (const Generation& generation : generations) total += generation.simulations;
    return total;
}

namespace {

ParameterFigures weightedFigures(std::vector<std::pair<double, double>> valueWeights) {
    std::sort(valueWeights.begin(), valueWeights.end());
    ParameterFigures figures;
    double total = 0;
    for (const auto& [value, weight] : valueWeights) {
        figures.mean += value * weight;
        total += weight;
    }
    figures.mean /= total;
    const auto percentile = [&](double share) {
        double cumulative = 0;
        for (const auto& [value, weight] : valueWeights)
            if ((cumulative += weight) >= share * total * (1 - 1e-12)) return value;
        return valueWeights.back().first;
    };
    figures.p10 = percentile(0.1);
    figures.p50 = percentile(0.5);
    figures.p90 = percentile(0.9);
    return figures;
}

double transmissionOf(const ParameterValues& values) {
    return values[static_cast<std::size_t>(Parameter::encounters)] *
           std::max(0.0, values[static_cast<std::size_t>(Parameter::infection)] - 0.5);
}

}  // namespace

ParameterFigures FitResult::figures(Parameter parameter) const {
    std::vector<std::pair<double, double>> values;
    for (const Particle& particle : posterior)
        values.emplace_back(particle.values[static_cast<std::size_t>(parameter)], particle.weight);
    return weightedFigures(std::move(values));
}

ParameterFigures FitResult::transmissionFigures() const {
    std::vector<std::pair<double, double>> values;
    for (const Particle& particle : posterior)
        values.emplace_back(transmissionOf(particle.values), particle.weight);
    return weightedFigures(std::move(values));
}

double FitResult::correlation(Parameter a, Parameter b) const {
    const auto ia = static_cast<std::size_t>(a);
    const auto ib = static_cast<std::size_t>(b);
    double ma = 0;
    double mb = 0;
    for (const Particle& particle : posterior) {
        ma += particle.weight * particle.values[ia];
        mb += particle.weight * particle.values[ib];
    }
    double va = 0;
    double vb = 0;
    double cab = 0;
    for (const Particle& particle : posterior) {
        const double da = particle.values[ia] - ma;
        const double db = particle.values[ib] - mb;
        va += particle.weight * da * da;
        vb += particle.weight * db * db;
        cab += particle.weight * da * db;
    }
    return va <= 0 || vb <= 0 ? 0.0 : cab / std::sqrt(va * vb);
}

JointPosterior FitResult::joint(Parameter x, Parameter y, const FitSettings& settings) const {
    JointPosterior joint{
        x, y, settings.prior[static_cast<std::size_t>(x)], settings.prior[static_cast<std::size_t>(y)], {}};
    // How far a value lies above the lowest, which it never lies below.
    const auto offset = [](int value, int lowest) {
        return static_cast<std::size_t>(value) - static_cast<std::size_t>(lowest);
    };
    const std::size_t width = offset(joint.xRange.max, joint.xRange.min) + 1;
    const std::size_t height = offset(joint.yRange.max, joint.yRange.min) + 1;
    joint.weight.assign(width * height, 0.0);
    for (const Particle& particle : posterior) {
        const std::size_t xi = offset(particle.values[static_cast<std::size_t>(x)], joint.xRange.min);
        const std::size_t yi = offset(particle.values[static_cast<std::size_t>(y)], joint.yRange.min);
        joint.weight[yi * width + xi] += particle.weight;
    }
    return joint;
}

ScenarioResults forecastScenarios(const FitResult& result, const std::vector<Scenario>& scenarios,
                                  const Schedule& known, int threads, std::atomic<std::int64_t>* done) {
    ScenarioResults results(scenarios.size(), Detail::bandsAndDifferences);
    std::vector<Schedule> changes;
    for (const Scenario& scenario : scenarios) {
        Schedule all = known;
        all.insert(all.end(), scenario.changes.begin(), scenario.changes.end());
        changes.push_back(sortedByDay(std::move(all)));
    }
    std::mutex lock;
    forEachIndex(std::ssize(result.matching), threads, [&](std::int64_t m) {
        const ForecastRun& run = result.matching[static_cast<std::size_t>(m)];
        std::vector<RunSummary> ofRun(scenarios.size());
        for (std::size_t s = 0; s < scenarios.size(); ++s) {
            const Trajectory trajectory = seededRun(parametersOf(run.values), changes[s], run.seed);
            ofRun[s] = summarize(run.seed, trajectory);
            const std::scoped_lock guard(lock);
            results.bands[s].add(trajectory);
            results.summaries[s].add(ofRun[s]);
            if (done != nullptr) done->fetch_add(1, std::memory_order_relaxed);
        }
        const std::scoped_lock guard(lock);
        for (std::size_t s = 1; s < scenarios.size(); ++s) results.differences[s - 1].add(ofRun[s], ofRun[0]);
    });
    return results;
}

FitResult fit(const Observations& observed, const FitSettings& settings, const Spread& spread,
              std::atomic<std::int64_t>* done) {
    return Fit(observed, settings, spread, done).fitted();
}

}  // namespace pandemie
