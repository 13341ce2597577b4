#pragma once
// What the fit makes of its posterior particles: draws by weight and the
// check of how well the posterior runs match the observations.

#include <utility>
#include <vector>

#include "model/fit.h"
#include "model/random.h"

namespace pandemie {

// The weighted mean and percentiles of (value, weight) pairs: the smallest
// value with at least the percentile's share of the weight at or below it.
[[nodiscard]] ParameterFigures weightedFigures(std::vector<std::pair<double, double>> valueWeights);

// Draws particles by weight.
class WeightedDraw {
public:
    explicit WeightedDraw(const std::vector<Particle>& particles);
    [[nodiscard]] const Particle& draw(Random& random) const;

private:
    const std::vector<Particle>& particles_;
    std::vector<double> cumulative_;
};

// How far the observations lie from posterior runs, against how far two
// posterior runs lie apart; and the parameters pressed against their prior.
[[nodiscard]] Misfit misfitOf(const std::vector<Particle>& posterior, const FitSettings& settings,
                              const ObservationDistance& distance);

}  // namespace pandemie
