// The Jeans-moment profile of the disk population on a geometric grid of radii.
//
// With Sigma(R) the smoothed surface density, z0 the sech^2 scale height, vc the circular
// speed of the whole model in the mid-plane, Omega = vc / R and
// kappa^2 = R dOmega^2/dR + 4 Omega^2 = 2 vc^2 / R^2 + (1/R) d(vc^2)/dR:
//   sigma_z^2   = pi G Sigma z0                              (isothermal sheet)
//   sigma_R^2   = A Sigma, A such that Q = sigma_R kappa / (3.36 G Sigma) = q at q_radius
//   sigma_phi^2 = sigma_R^2 kappa^2 / (4 Omega^2)            (epicyclic approximation)
//   vphi^2      = vc^2 + sigma_R^2 (1 - kappa^2 / (4 Omega^2) + 2 dlnSigma/dlnR)
//                                                           (asymmetric drift), 0 where < 0
#pragma once

#include <cmath>
#include <vector>

#include "halo.hpp"
#include "log_grid.hpp"

namespace galtk::galvel {

// What the table is built from: the grid, the disk population's mass and particle count
// in the annulus of each grid radius (edges at the geometric midpoints, the first from
// R = 0), and the particles' mid-plane field at the grid radii (G included).
struct DiskInputs {
    LogGrid grid;
    std::vector<double> annulus_mass;
    std::vector<double> annulus_count;
    std::vector<double> force_disk;     // outward radial acceleration of the disk population
    std::vector<double> force_bulge;    // ... of the bulge
    std::vector<double> force_gas;      // ... of a gas disk (empty: none)
    std::vector<double> potential;      // mid-plane potential of all particles
    const AnalyticHalo* halo = nullptr;
    double G = 1.0;
    double z0 = 0.0;
    double scale_length = 1.0;          // sets the smoothing window (half a scale length)
    double q = 1.5;
    double q_radius = 1.0;
};

struct DiskTable {
    LogGrid grid;
    std::vector<double> sigma, dlnsigma_dlnr;
    std::vector<double> vc2, vc2_disk, vc2_bulge, vc2_halo, vc2_gas;
    std::vector<double> omega, kappa;
    std::vector<double> sigma_r, sigma_phi, sigma_z, mean_vphi, q;
    std::vector<double> potential;      // mid-plane, halo included
    double q_at_reference = 0.0;
    // Radii where the asymmetric drift leaves no mean rotation (vphi^2 < 0): the smallest
    // and largest grid radius; none when lo > hi.
    double no_rotation_lo = HUGE_VAL, no_rotation_hi = -HUGE_VAL;
    bool has_no_rotation() const { return no_rotation_lo <= no_rotation_hi; }
    double vc_max = 0.0, vc_max_radius = 0.0;

    int size() const { return grid.size(); }
};

// Throws Refusal when Q cannot be set at q_radius (outside the disk, or kappa = 0 there).
DiskTable build_disk_table(const DiskInputs& in);

// The annulus edges of a grid: 0, then the geometric midpoints, then the last radius
// times half a step.
std::vector<double> annulus_edges(const LogGrid& grid);

}  // namespace galtk::galvel
