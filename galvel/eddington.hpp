// The isotropic distribution function of a spherical component in a spherical potential
// by Eddington's formula:
//   f(E) = 1 / (sqrt(8) pi^2) [ int_0^E (d^2 rho / d Psi^2) dPsi / sqrt(E - Psi)
//                               + (d rho / d Psi)_{Psi = 0} / sqrt(E) ],
// Psi = -Phi the relative potential (of everything, spherically averaged), E = Psi - v^2/2
// the relative energy. The component's density is given on a geometric grid of radii
// with its logarithmic slope s = d ln rho / d ln r and curvature s' = d s / d ln r; with
// dPsi/dr = -G M(r) / r^2 (M the total mass) the chain rule gives
//   d rho / d Psi   = -rho s r / (G M),
//   d^2 rho / d Psi^2 = rho r^2 (s^2 + s' + s (1 - mu)) / (G M)^2,  mu = d ln M / d ln r
//                   = 4 pi r^3 rho_total / M,
// so only the density's own derivatives need smoothing, not the potential's. The
// density ends inside the grid's last radius r_n, so the lower limit 0 is taken at
// Psi(r_n) (where the density is 0: below it nothing changes) and the boundary term is
// (d rho / d Psi)(r_n) / sqrt(E - Psi(r_n)). d^2 rho / d Psi^2 is linear in Psi between the
// grid radii and each step's integral against 1 / sqrt(E - Psi) is taken in closed form,
// so the singular end costs no accuracy. f is tabulated at E = Psi(r_k) and interpolated
// linearly in ln f (linearly in f next to a zero) between them; f = 0 at E <= Psi(r_n),
// f(Psi(r_1)) above the first radius.
//
// Where f comes out negative (a density no isotropic model can have in this potential)
// it is set to 0 and the energy range is kept for the summary.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "shell_density.hpp"

namespace galtk::galvel {

struct EddingtonInputs {
    std::vector<double> r;           // ascending
    std::vector<double> psi;         // -Phi(r), positive, falling outwards
    std::vector<double> rho;         // the component's density
    std::vector<double> slope;       // d ln rho / d ln r
    std::vector<double> curvature;   // d slope / d ln r
    std::vector<double> G_mass;      // G M(<r), all mass
    std::vector<double> mu;          // d ln M / d ln r of all mass
};

// The inputs on `points` radii spaced geometrically from r_lo to r_hi.
EddingtonInputs tabulate_component(double r_lo, double r_hi, int points,
                                   const std::function<LocalDensity(double)>& component,
                                   const std::function<double(double)>& rho_total,
                                   const std::function<double(double)>& G_mass,
                                   const std::function<double(double)>& potential, double G);

struct NegativeRange {
    std::size_t nodes = 0;   // grid energies where f < 0 was set to 0
    double lo = 0.0, hi = 0.0;
};

class DistributionFunction {
public:
    DistributionFunction() = default;
    explicit DistributionFunction(const EddingtonInputs& in);

    double operator()(double E) const;
    // An upper bound of f(psi - v^2/2) v^2 over 0 <= v <= sqrt(2 psi), for rejection.
    double bound(double psi) const;
    const NegativeRange& negative() const { return negative_; }
    const std::vector<double>& energies() const { return psi_; }   // falling
    const std::vector<double>& values() const { return f_; }

private:
    // k with psi_k >= E > psi_{k+1}, for psi_{n-1} < E < psi_0.
    std::size_t node_above(double E) const;

    std::vector<double> psi_, f_, ln_f_, bound_;
    double top_ = 0.0;   // the largest f
    NegativeRange negative_;
};

}  // namespace galtk::galvel
