#include "model/posterior.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "model/count_epidemic.h"
#include "model/fit_seeds.h"

namespace pandemie {

namespace {

// Pairs of posterior runs the check compares: a 95th percentile of 200
// distances moves by a few percent between seeds, well below a misfit's size.
constexpr std::int64_t checkPairs = 200;
// A parameter is pressed against its prior once a bound holds most of the weight.
constexpr double edgeShare = 0.5;

double transmissionOf(const ParameterValues& values) {
    return values[static_cast<std::size_t>(Parameter::encounters)] *
           std::max(0.0, values[static_cast<std::size_t>(Parameter::infection)] - 0.5);
}

// A run of the counting engine's values on the observed rows.
std::vector<RowValues> judgedRows(const ParameterValues& values, const FitSettings& settings,
                                  const ObservationDistance& distance, std::uint64_t seed) {
    const RunSetup setup = runSetupOf(settings, values, seed);
    CountEpidemic run(setup.parameters, seed, setup.scope);
    std::vector<RowValues> rows;
    rows.reserve(distance.rows().size());
    setup.observe(run, distance.rows(), distance.lastDay(), [&](std::size_t, const RowValues& row) {
        rows.push_back(row);
        return true;
    });
    return rows;
}

}  // namespace

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

WeightedDraw::WeightedDraw(const std::vector<Particle>& particles) : particles_(particles) {
    double sum = 0;
    for (const Particle& particle : particles) cumulative_.push_back(sum += particle.weight);
}

const Particle& WeightedDraw::draw(Random& random) const {
    const double u = random.nextUnit() * cumulative_.back();
    const auto at = std::upper_bound(cumulative_.begin(), cumulative_.end(), u) - cumulative_.begin();
    return particles_[static_cast<std::size_t>(std::min<std::ptrdiff_t>(at, std::ssize(particles_) - 1))];
}

Misfit misfitOf(const std::vector<Particle>& posterior, const FitSettings& settings,
                const ObservationDistance& distance) {
    const WeightedDraw draw(posterior);
    std::vector<double> toObserved(checkPairs);
    std::vector<double> between(checkPairs);
    for (std::int64_t k = 0; k < checkPairs; ++k) {
        const auto pair = static_cast<std::uint64_t>(k);
        Random random(seedOf(settings.seed, Stream::checkRun, 0, pair));
        const auto a = judgedRows(draw.draw(random).values, settings, distance,
                                  seedOf(settings.seed, Stream::checkRun, 1, pair));
        const auto b = judgedRows(draw.draw(random).values, settings, distance,
                                  seedOf(settings.seed, Stream::checkRun, 2, pair));
        toObserved[static_cast<std::size_t>(k)] = distance.distance(sumOfSquaresOver(a, distance));
        const ObservationDistance fromA(distance.observationsLike(a));
        between[static_cast<std::size_t>(k)] = fromA.distance(sumOfSquaresOver(b, fromA));
    }
    Misfit misfit;
    std::sort(toObserved.begin(), toObserved.end());
    std::sort(between.begin(), between.end());
    misfit.observedDistance = toObserved[checkPairs / 2];
    misfit.syntheticDistance = between[checkPairs * 95 / 100];
    for (const FitQuantityInfo& info : fitQuantityTable) {
        const std::size_t p = indexOf(info.quantity);
        const ParameterRange range = settings.prior[p];
        if (range.min == range.max) continue;
        // A bound the tool's range ends at has nothing beyond it to want: latency 0, say.
        const auto onOpenBound = [&](int value) {
            return (value == range.min && range.min > info.toolMin) ||
                   (value == range.max && range.max < info.toolMax);
        };
        double atEdge = 0;
        for (const Particle& particle : posterior)
            if (onOpenBound(particle.values[p])) atEdge += particle.weight;
        if (atEdge > edgeShare) misfit.atPriorEdge.push_back(info.quantity);
    }
    return misfit;
}

ParameterFigures FitResult::figures(FitQuantity quantity) const {
    std::vector<std::pair<double, double>> values;
    for (const Particle& particle : posterior)
        values.emplace_back(particle.values[indexOf(quantity)], particle.weight);
    return weightedFigures(std::move(values));
}

ParameterFigures FitResult::reproductionFigures() const {
    std::vector<std::pair<double, double>> values;
    for (const Particle& particle : posterior)
        values.emplace_back(reproductionNumber(particle.values), particle.weight);
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

}  // namespace pandemie
