// Smoothing of a binned profile for a logarithmic derivative: a weighted local linear
// regression (LOESS of degree one with the tricube kernel).
#pragma once

#include <vector>

namespace galtk::galvel {

struct LocalFit {
    double value;   // fitted y at x0
    double slope;   // dy/dx at x0
};

// Fits y = value + slope (x - x0) to the samples within |x - x0| < half_width, each
// weighted by weight[k] (a sample with weight 0 is left out) times
// (1 - |d / half_width|^3)^3. The window widens (doubling) until it holds at least three
// samples and `min_weight` of weight, or all samples. Returns {0, 0} when no sample has
// weight.
LocalFit local_linear_fit(const std::vector<double>& x, const std::vector<double>& y,
                          const std::vector<double>& weight, double x0, double half_width,
                          double min_weight);

}  // namespace galtk::galvel
