// The density of a spherical component given by particles, smoothed for its derivatives.
//
// The particles are counted in spherical shells around the radii of a geometric grid
// (edges at the geometric midpoints, the first shell from the centre), ln rho of each
// shell is fitted in ln r by a local linear regression (tricube kernel over +-0.35 in
// ln r, each shell weighted by its particle count, widened until it holds 50 particles),
// which gives ln rho and the slope s = d ln rho / d ln r; a second such fit of the
// slopes gives the curvature d s / d ln r. Inside the innermost shell the density goes
// on as the innermost power law; beyond the outermost particle it is 0, or, for a
// component whose distribution function is wanted, the exponential taper
//   rho = rho_e (r / r_e)^e exp(-(r - r_e) / d),  e = s_e + r_e / d,  d = r_e / 10
// (density and slope continuous at the outermost radius r_e), since a sharp edge has no
// isotropic distribution function.
#pragma once

#include <vector>

#include "log_grid.hpp"

namespace galtk::galvel {

// ln rho of the shells around the grid's radii (0 in an empty shell), ln r of the radii
// and the particle count of each shell.
void shell_log_density(const LogGrid& grid, const std::vector<float>& radii, const std::vector<float>& masses,
                       std::vector<double>& ln_r, std::vector<double>& ln_rho, std::vector<double>& count);

struct LocalDensity {
    double rho = 0.0;
    double slope = 0.0;       // d ln rho / d ln r
    double curvature = 0.0;   // d^2 ln rho / d (ln r)^2
};

class SmoothDensity {
public:
    SmoothDensity() = default;   // no particles: no density
    SmoothDensity(const std::vector<float>& radii, const std::vector<float>& masses, bool taper);

    LocalDensity at(double r) const;
    bool empty() const { return value_.empty(); }
    double inner() const { return grid_[0]; }
    double outer() const { return grid_[grid_.size() - 1]; }
    // Where the density ends: the outermost particle, or the taper's reach.
    double end() const;

private:
    LogGrid grid_;
    std::vector<double> value_, slope_, curvature_;   // ln rho, s, ds/dln r at the grid radii
    bool taper_ = false;
    double decay_ = 0.0;
    double exponent_ = 0.0;
};

}  // namespace galtk::galvel
