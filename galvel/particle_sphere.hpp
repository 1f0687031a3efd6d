// A spherical component given by its particles (a live halo the model already holds),
// in the form the analytic halo takes: mass inside a radius and the potential of its
// spherical average from fine shells (SphericalMass), the density and its logarithmic
// derivatives from the smoothed shell density the bulge uses (SmoothDensity, tapered
// beyond the outermost particle so that f(E) exists).
#pragma once

#include <vector>

#include "shell_density.hpp"
#include "spherical_mass.hpp"

namespace galtk::galvel {

class ParticleSphere {
public:
    ParticleSphere(const std::vector<float>& radii, const std::vector<float>& masses);

    double mass(double r) const { return mass_.mass(r); }
    // For G = 1.
    double potential(double r) const { return mass_.potential(r); }
    // The smoothed density, 0 beyond the outermost particle (its taper is for f(E) only:
    // the mass it would add is not in the particles).
    double density(double r) const { return !density_.empty() && r <= density_.outer() ? density_.at(r).rho : 0.0; }
    const SmoothDensity& smooth() const { return density_; }
    double total_mass() const { return mass_.total(); }
    // The radius holding half of the mass: the length f(E)'s table is laid out in.
    double half_mass_radius() const { return half_mass_radius_; }
    double outermost() const { return outermost_; }

private:
    SphericalMass mass_;
    SmoothDensity density_;
    double half_mass_radius_ = 0.0;
    double outermost_ = 0.0;
};

}  // namespace galtk::galvel
