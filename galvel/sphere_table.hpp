// The isotropic Jeans equation of a spherical component in the spherically averaged total
// mass M(r) (every particle and the analytic halo):
//   rho(r) sigma^2(r) = integral from r to infinity of rho(r') G M(r') / r'^2 dr'
// on a geometric grid of radii, integrated in ln r from outside in, the integrand taken
// as a power law of r over each step.
#pragma once

#include <functional>
#include <vector>

#include "halo.hpp"
#include "log_grid.hpp"

namespace galtk::galvel {

struct SphereTable {
    LogGrid grid;
    std::vector<double> rho;
    std::vector<double> sigma;
    std::vector<double> potential;   // of everything, spherically averaged
    // Beyond the grid: sigma^2 = G M(r) / (5 r) for a rho ~ r^-4 tail (Hernquist), 0 for a
    // component that ends at the last grid radius.
    bool keplerian_tail = false;

    double sigma_at(double r, const std::function<double(double)>& G_mass) const;
    // Beyond the grid every mass is inside: -G M(r) / r.
    double potential_at(double r, const std::function<double(double)>& G_mass) const;
};

using MassFunction = std::function<double(double)>;   // G M(<r), all mass
using PotentialFunction = std::function<double(double)>;

// A component given by particles: rho from spherical shells around the grid radii,
// smoothed by a local linear fit of ln rho in ln r.
SphereTable bulge_table(const std::vector<float>& radii, const std::vector<float>& masses,
                        const MassFunction& G_mass, const PotentialFunction& potential);

// The analytic halo: rho exact; the grid runs from 1e-3 scale radii to r200 (NFW) or to
// 1e4 scale radii (Hernquist, with the r^-4 tail beyond it).
SphereTable halo_table(const AnalyticHalo& halo, const MassFunction& G_mass, const PotentialFunction& potential);

}  // namespace galtk::galvel
