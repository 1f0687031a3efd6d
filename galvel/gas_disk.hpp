// The gas disk: an exponential surface density in vertical hydrostatic equilibrium in the
// field of everything, solved column by column on a geometric grid of radii.
//
//   Sigma(R) = Sigma0 exp(-R / h) for R <= R_max, 0 beyond,
//   Sigma0 = M / (2 pi h^2 (1 - (1 + x) e^-x)), x = R_max / h;
//   rho(R, z) = rho0(R) f(Phi(R, z) - Phi(R, 0)) (gas_column.hpp), 2 int rho dz = Sigma(R).
// A column reaches up to z_top: ten half-mass heights, found by solving it again when the
// first guess was more than twice off, but no further than R_max (an isothermal gas in a
// potential of finite depth has no edge; the column is cut there).
// Mean rotation in the mid-plane: v_phi^2 = R dPhi/dR + (R / rho0) dP0/dR
// = vc^2 + (P0 / rho0) dln P0 / dln R, 0 where negative.
#pragma once

#include <cmath>
#include <functional>
#include <vector>

#include "gas_column.hpp"
#include "gas_eos.hpp"
#include "gas_parameters.hpp"
#include "log_grid.hpp"

namespace galtk::galvel {

// Phi(R, z) - Phi(R, 0) and dPhi/dz of everything but the gas at the points, G included.
using VerticalField = std::function<void(const std::vector<double>& R, const std::vector<double>& z,
                                         std::vector<double>& dphi, std::vector<double>& dphi_dz)>;

class GasDisk {
public:
    static constexpr int column_count = 64;
    static constexpr int column_nodes = 257;
    static constexpr int field_nodes = 48;   // where the field is computed; cubic between

    // c2: the isothermal sound speed squared (the polytrope's P / rho at the mid-plane
    // density at the scale length). Throws Refusal when a column does not converge.
    GasDisk(const GasParameters& p, double r_max, double c2, double G, const VerticalField& field);

    double mass() const { return mass_; }
    double r_max() const { return r_max_; }
    const GasEos& eos() const { return eos_; }
    const LogGrid& grid() const { return grid_; }
    const std::vector<GasColumn>& columns() const { return columns_; }
    int iterations() const { return iterations_; }   // the most a column needed
    double reference_density() const { return rho_ref_; }

    double surface_density(double R) const { return R <= r_max_ ? sigma0_ * std::exp(-R / h_) : 0.0; }
    // Mass inside R over the disk's mass.
    double mass_fraction(double R) const;
    // The radius holding fraction u of the mass, and the height holding fraction u of the
    // upper half's at R (interpolated between the columns).
    double radius_of(double u) const;
    double height_of(double R, double u) const;
    double density(double R, double z) const;
    double half_height(double R) const;

    // Rotation from vc^2 of everything at the column radii.
    void set_rotation(const std::vector<double>& vc2);
    double rotation(double R) const;   // mean v_phi, 0 at the centre
    const std::vector<double>& rotation_table() const { return vphi_; }
    const std::vector<double>& circular_speed_squared() const { return vc2_; }
    // Column radii where the pressure gradient leaves no rotation; none when lo > hi.
    double no_rotation_lo = HUGE_VAL, no_rotation_hi = -HUGE_VAL;

    // Calls add(R, |z|, mass) for the cells of the column table: the annulus of every
    // column spread over its heights (both halves together).
    void for_each_cell(const std::function<void(double, double, double)>& add) const;

private:
    static constexpr int radius_table_size = 1024;
    double bisect_radius(double u) const;
    void tabulate_radii();

    double mass_, h_, r_max_, sigma0_, norm_;
    GasEos eos_;
    LogGrid grid_;
    std::vector<GasColumn> columns_;
    std::vector<double> vphi_, vc2_;
    int iterations_ = 0;
    double rho_ref_ = 0.0;
    std::vector<double> radius_table_;   // the radius holding fraction s^2, s = i / radius_table_size
};

}  // namespace galtk::galvel
