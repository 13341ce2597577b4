#pragma once
// Fitting the four parameters to observed counts (likelihood-free, by
// sequential Monte Carlo over shrinking tolerances), and the forecast from
// the runs that match the observations.

#include <cstdint>
#include <vector>

#include "model/observed.h"
#include "model/parameters.h"

namespace pandemie {

// The posterior weight of every pair of values of two parameters:
// weight[(yValue - y.min) * (x.max - x.min + 1) + (xValue - x.min)], summing to 1.
struct JointPosterior {
    Parameter x = Parameter::encounters;
    Parameter y = Parameter::infection;
    ParameterRange xRange;
    ParameterRange yRange;
    std::vector<double> weight;
};

}  // namespace pandemie
