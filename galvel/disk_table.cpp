#include "disk_table.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "local_fit.hpp"
#include "refusal.hpp"

namespace galtk::galvel {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double toomre = 3.36;   // Q of a stellar disk: sigma_R kappa / (3.36 G Sigma)

// Smoothed ln Sigma and its slope in R at every grid radius (weights: particle counts,
// the inverse Poisson variance of ln Sigma in a bin).
void smooth_surface_density(const DiskInputs& in, const std::vector<double>& edges, DiskTable& t) {
    const int n = in.grid.size();
    std::vector<double> ln_sigma(n, 0.0), weight(n, 0.0);
    for (int i = 0; i < n; ++i) {
        const double area = pi * (edges[i + 1] * edges[i + 1] - edges[i] * edges[i]);
        if (in.annulus_mass[i] > 0.0) {
            ln_sigma[i] = std::log(in.annulus_mass[i] / area);
            weight[i] = in.annulus_count[i];
        }
    }
    t.sigma.resize(n);
    t.dlnsigma_dlnr.resize(n);
    for (int i = 0; i < n; ++i) {
        const auto fit = local_linear_fit(in.grid.radii(), ln_sigma, weight, in.grid[i],
                                          0.5 * in.scale_length, 50.0);
        t.sigma[i] = std::exp(fit.value);
        t.dlnsigma_dlnr[i] = in.grid[i] * fit.slope;
    }
}

void rotation_curve(const DiskInputs& in, DiskTable& t) {
    const int n = in.grid.size();
    t.vc2.resize(n);
    t.vc2_disk.resize(n);
    t.vc2_bulge.resize(n);
    t.vc2_halo.resize(n);
    t.vc2_gas.assign(n, 0.0);
    t.potential.resize(n);
    for (int i = 0; i < n; ++i) {
        const double R = in.grid[i];
        t.vc2_disk[i] = -R * in.force_disk[i];
        t.vc2_bulge[i] = -R * in.force_bulge[i];
        t.vc2_halo[i] = in.halo ? in.G * in.halo->mass(R) / R : 0.0;
        t.vc2[i] = t.vc2_disk[i] + t.vc2_bulge[i] + t.vc2_halo[i];
        if (!in.force_gas.empty()) {
            t.vc2_gas[i] = -R * in.force_gas[i];
            t.vc2[i] += t.vc2_gas[i];
        }
        t.potential[i] = in.potential[i] + (in.halo ? in.halo->potential(R) : 0.0);
        const double vc = std::sqrt(std::max(t.vc2[i], 0.0));
        if (vc > t.vc_max) {
            t.vc_max = vc;
            t.vc_max_radius = R;
        }
    }
    t.omega.resize(n);
    t.kappa.resize(n);
    for (int i = 0; i < n; ++i) {
        const int lo = std::max(i - 1, 0), hi = std::min(i + 1, n - 1);
        const double R = in.grid[i];
        const double dvc2 = (t.vc2[hi] - t.vc2[lo]) / (in.grid[hi] - in.grid[lo]);
        const double omega2 = std::max(t.vc2[i], 0.0) / (R * R);
        t.omega[i] = std::sqrt(omega2);
        t.kappa[i] = std::sqrt(std::max(2.0 * omega2 + dvc2 / R, 0.0));
    }
}

// kappa^2 / (4 Omega^2): 1/2 for a Kepler potential, 1 for solid-body rotation; taken as
// 1 where there is no rotation.
double epicyclic_ratio(const DiskTable& t, int i) {
    const double omega2 = t.omega[i] * t.omega[i];
    return omega2 > 0.0 ? t.kappa[i] * t.kappa[i] / (4.0 * omega2) : 1.0;
}

}  // namespace

std::vector<double> annulus_edges(const LogGrid& grid) {
    const int n = grid.size();
    std::vector<double> edges(n + 1);
    edges[0] = 0.0;
    for (int i = 1; i < n; ++i) edges[i] = std::sqrt(grid[i - 1] * grid[i]);
    edges[n] = grid[n - 1] * std::sqrt(grid.ratio());
    return edges;
}

DiskTable build_disk_table(const DiskInputs& in) {
    DiskTable t;
    t.grid = in.grid;
    const int n = in.grid.size();
    smooth_surface_density(in, annulus_edges(in.grid), t);
    rotation_curve(in, t);

    char text[200];
    if (!(in.q_radius >= in.grid[0] && in.q_radius <= in.grid[n - 1])) {
        std::snprintf(text, sizeof text, "--q-radius %.6g lies outside the disk (its particles reach R = %.6g)",
                      in.q_radius, in.grid[n - 1]);
        throw Refusal(text);
    }
    const double sigma_ref = in.grid.interpolate(t.sigma, in.q_radius);
    const double kappa_ref = in.grid.interpolate(t.kappa, in.q_radius);
    if (!(kappa_ref > 0.0) || !(sigma_ref > 0.0)) {
        std::snprintf(text, sizeof text, "cannot set Q at R = %.6g: kappa %.6g, Sigma %.6g there", in.q_radius,
                      kappa_ref, sigma_ref);
        throw Refusal(text);
    }
    const double sigma_r_ref = in.q * toomre * in.G * sigma_ref / kappa_ref;
    const double A = sigma_r_ref * sigma_r_ref / sigma_ref;

    t.sigma_r.resize(n);
    t.sigma_phi.resize(n);
    t.sigma_z.resize(n);
    t.mean_vphi.resize(n);
    t.q.resize(n);
    for (int i = 0; i < n; ++i) {
        const double sr2 = A * t.sigma[i];
        const double ratio = epicyclic_ratio(t, i);
        t.sigma_r[i] = std::sqrt(sr2);
        t.sigma_phi[i] = std::sqrt(sr2 * ratio);
        t.sigma_z[i] = std::sqrt(pi * in.G * t.sigma[i] * in.z0);
        const double v2 = t.vc2[i] + sr2 * (1.0 - ratio + 2.0 * t.dlnsigma_dlnr[i]);
        if (v2 < 0.0) {
            t.no_rotation_lo = std::min(t.no_rotation_lo, in.grid[i]);
            t.no_rotation_hi = std::max(t.no_rotation_hi, in.grid[i]);
        }
        t.mean_vphi[i] = std::sqrt(std::max(v2, 0.0));
        t.q[i] = t.sigma[i] > 0.0 ? t.sigma_r[i] * t.kappa[i] / (toomre * in.G * t.sigma[i]) : 0.0;
    }
    t.q_at_reference = std::sqrt(A * sigma_ref) * kappa_ref / (toomre * in.G * sigma_ref);
    return t;
}

}  // namespace galtk::galvel
