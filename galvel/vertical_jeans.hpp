// The disk's vertical dispersion from the vertical Jeans equation in the whole field.
//
// For a layer of the sech^2 shape the particles have, rho(z) = Sigma / (2 z0) sech^2(z / z0),
// in hydrostatic balance with the field g(z) = dPhi/dz of disk, bulge and halo (the
// particles' field with the header's Plummer softening: the gravity the simulation will
// use), the Jeans equation gives
//   rho(z) sigma_z^2(z) = integral_z^inf rho(z') g(z') dz'.
// Its mid-plane value and its column-weighted mean, with x = z / z0,
//   sigma_z^2(0)        = z0 integral_0^inf sech^2(x) g(z0 x) dx,
//   <sigma_z^2>_column  = z0 integral_0^inf x sech^2(x) g(z0 x) dx,
// are both computed; galvel draws every disk particle's v_z from the column-weighted mean
// at its radius (one dispersion for all heights: the column then carries the vertical
// kinetic energy the Jeans equation asks for, which is what keeps its thickness). For a
// self-gravitating isothermal sheet (g = 2 pi G Sigma tanh(z / z0)) both equal
// pi G Sigma z0, the sheet rule. The integrals are 16-point Gauss-Legendre sums over
// x in [0, 8] (sech^2(8) = 4.5e-7). nu^2 = d^2Phi/dz^2 at z = 0 is taken as g(h) / h at
// h = z0 / 200 in the mirrored (exactly even) field.
#pragma once

#include <vector>

#include "field.hpp"
#include "log_grid.hpp"

namespace galtk::galvel {

enum class VerticalRule { sheet, jeans };

struct VerticalBalance {
    std::vector<double> nu;                  // vertical frequency in the mid-plane
    std::vector<double> sigma_z_midplane;    // sqrt(sigma_z^2(0))
    std::vector<double> sigma_z_column;      // sqrt(<sigma_z^2>_column), the one drawn
    // The field's a_z where it was summed: at pull_radii (ascending) by pull_heights
    // (ascending, above the plane), radius major.
    std::vector<double> pull_radii, pull_heights, pull_a_z;
};

// At each radius, for a layer of scale height z0 in `field`.
VerticalBalance vertical_balance(const ModelField& field, const std::vector<double>& radii, double z0, int threads);

// The same at every radius of `grid`, computed on a quarter of them (ends included) and
// interpolated linearly in ln R as ratios to `sheet` (sigma_z by the sheet rule, which
// carries Sigma's exponential fall between the computed radii), nu likewise).
VerticalBalance vertical_balance_on(const ModelField& field, const LogGrid& grid, const std::vector<double>& sheet,
                                    double z0, int threads);

}  // namespace galtk::galvel
