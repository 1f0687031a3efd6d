// The vertical hydrostatic equilibrium of the gas at one radius.
//
// On nodes z_k = k dz (k = 0 .. n-1, the column symmetric about the plane) with the
// potential of everything but the gas given as dphi_ext(z) = Phi_ext(R, z) - Phi_ext(R, 0),
// the gas density is rho(z) = rho0 f(dphi_ext + dphi_gas) (f of the equation of state:
// exp(-dphi / c^2) isothermal), rho0 such that 2 int_0^top rho dz = Sigma. The gas's own
// potential is that of a sheet of its local column (Poisson's equation in z alone; the
// radial term is smaller by the square of height over scale length):
//   dphi_gas(z) = 4 pi G int_0^z m(z') dz',  m(z) = int_0^z rho dz'.
// Starting from dphi_gas = 0 the two are iterated (the new self potential mixed half and
// half with the old, which keeps the iteration from oscillating) until the half-mass height
// changes by less than column_tolerance between iterations.
#pragma once

#include <vector>

#include "gas_eos.hpp"

namespace galtk::galvel {

inline constexpr double column_tolerance = 1e-3;
inline constexpr int column_max_iterations = 200;

struct GasColumn {
    double dz = 0.0;
    std::vector<double> rho;          // density at the nodes
    std::vector<double> cumulative;   // fraction of the upper half's mass below z_k
    double half_height = 0.0;         // |z| below which half the column lies
    int iterations = 0;
    bool converged = false;

    double rho0() const { return rho.empty() ? 0.0 : rho[0]; }
    double top() const { return dz * static_cast<double>(rho.size() - 1); }
    // Linear between nodes, 0 above the top.
    double density_at(double z) const;
    // The height below which `fraction` (0 .. 1) of the upper half lies.
    double height_of(double fraction) const;
};

// `self_normalised`: a polytrope normalised at this column's own mid-plane density (the
// column at the scale length); otherwise the equation of state as it is.
GasColumn solve_column(const std::vector<double>& dphi_ext, double dz, double sigma, const GasEos& eos, double G,
                       bool self_normalised = false);

}  // namespace galtk::galvel
