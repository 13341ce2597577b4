#pragma once
// Likelihood-free sequential Monte Carlo over shrinking tolerances (ABC-SMC)
// on the parameters' whole-number grid, for any way of judging a run.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "model/fit.h"
#include "model/posterior.h"
#include "model/random.h"

namespace pandemie {

// The discrete perturbation of one parameter: a step of -reach..reach with
// the weights of a normal density.
class StepKernel {
public:
    StepKernel() = default;
    explicit StepKernel(double sigma);
    [[nodiscard]] double chance(int step) const noexcept;
    // The step at which the cumulative chance passes u in [0, 1).
    [[nodiscard]] int draw(double u) const noexcept;

private:
    int reach_ = 0;
    std::vector<double> chances_{1.0};
};

// A generation's particles and the kernels that perturb them; it refers to
// its own particles, so it stays where it was made.
class Population {
public:
    Population(const FitSettings& settings, std::vector<Particle> particles);
    Population(const Population&) = delete;
    Population& operator=(const Population&) = delete;
    Population(Population&&) = delete;
    Population& operator=(Population&&) = delete;
    ~Population() = default;

    // A particle drawn by weight, every free parameter stepped by its kernel.
    [[nodiscard]] ParameterValues propose(Random& random) const;
    // The chance of proposing `values` from this population.
    [[nodiscard]] double proposalDensity(const ParameterValues& values) const;
    [[nodiscard]] const std::vector<Particle>& particles() const noexcept { return particles_; }

private:
    const FitSettings& settings_;
    std::vector<Particle> particles_;
    WeightedDraw draw_;
    std::array<StepKernel, fitQuantityTable.size()> kernels_{};
    std::vector<std::pair<ParameterValues, double>> points_;  // distinct particles, summed weights
};

// The tolerance of the next generation: the median distance of this one;
// where many runs lie at the same distance (counts match or miss by whole
// persons), the largest distance below that of the generation before;
// nothing when none is.
[[nodiscard]] std::optional<double> nextTolerance(const std::vector<Particle>& particles, double previous);

// The importance weights of accepted proposals, normalised: prior over the
// density of proposing them from `population`; the prior is uniform on the
// grid, so the weight is the inverse of the proposal density.
void weighByProposal(std::vector<Particle>& accepted, const Population& population);

// The sum of squares of one run of `values` from `seed`, or unreached once it
// passes `bound`; it may be called from several threads at once.
using Judge = std::function<double(const ParameterValues& values, std::uint64_t seed, double bound)>;

struct SmcResult {
    std::vector<Particle> posterior;
    std::vector<Generation> generations;
};

// Generation 0 from the prior, then generations at shrinking tolerances
// until acceptance falls below settings.stopAcceptance, the tolerance stops
// shrinking or the simulation budget is spent.
[[nodiscard]] SmcResult abcSmc(const FitSettings& settings, const ObservationDistance& distance,
                               const Judge& judge, const Spread& spread);

}  // namespace pandemie
