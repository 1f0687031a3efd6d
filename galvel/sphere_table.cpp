#include "sphere_table.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "local_fit.hpp"
#include "shell_density.hpp"

namespace galtk::galvel {

namespace {

constexpr int bulge_points = 128;
constexpr int halo_points = 256;

// The integral over ln r of a function that is g0 at one end and g1 at the other, taken
// as a power of r in between (exact for power laws, which the integrand nearly is over
// one step); the trapezoid rule where it changes sign or vanishes.
double power_law_step(double g0, double g1, double dlog) {
    if (g0 > 0.0 && g1 > 0.0 && std::fabs(g1 - g0) > 1e-12 * g0) return (g1 - g0) / std::log(g1 / g0) * dlog;
    return 0.5 * (g0 + g1) * dlog;
}

// rho sigma^2 by integrating rho G M / r^2 * r over ln r from outside in.
void integrate_jeans(SphereTable& t, const MassFunction& G_mass, double tail) {
    const int n = t.grid.size();
    std::vector<double> g(n);
    for (int i = 0; i < n; ++i) g[i] = t.rho[i] * G_mass(t.grid[i]) / t.grid[i];
    t.sigma.assign(n, 0.0);
    double integral = tail;
    for (int i = n - 1; i >= 0; --i) {
        if (i < n - 1) integral += power_law_step(g[i], g[i + 1], std::log(t.grid[i + 1] / t.grid[i]));
        t.sigma[i] = t.rho[i] > 0.0 ? std::sqrt(integral / t.rho[i]) : 0.0;
    }
}

void tabulate_potential(SphereTable& t, const PotentialFunction& potential) {
    t.potential.resize(t.grid.size());
    for (int i = 0; i < t.grid.size(); ++i) t.potential[i] = potential(t.grid[i]);
}

}  // namespace

double SphereTable::sigma_at(double r, const MassFunction& G_mass) const {
    const int n = grid.size();
    if (r > grid[n - 1]) return keplerian_tail ? std::sqrt(G_mass(r) / (5.0 * r)) : 0.0;
    return grid.interpolate(sigma, r);
}

double SphereTable::potential_at(double r, const MassFunction& G_mass) const {
    if (r > grid[grid.size() - 1]) return -G_mass(r) / r;
    return grid.interpolate(potential, r);
}

SphereTable bulge_table(const std::vector<float>& radii, const std::vector<float>& masses,
                        const MassFunction& G_mass, const PotentialFunction& potential) {
    SphereTable t;
    double r_max = 0.0, r_min = HUGE_VAL;
    for (float r : radii) {
        r_max = std::max(r_max, double(r));
        if (r > 0.0f) r_min = std::min(r_min, double(r));
    }
    if (!(r_max > 0.0)) r_max = 1.0;
    r_min = std::min(std::max(r_min, r_max * 1e-4), r_max * 0.5);
    t.grid = LogGrid(r_min, r_max, bulge_points);
    const int n = bulge_points;
    std::vector<double> ln_r, ln_rho, count;
    shell_log_density(t.grid, radii, masses, ln_r, ln_rho, count);
    t.rho.resize(n);
    for (int i = 0; i < n; ++i) {
        const auto fit = local_linear_fit(ln_r, ln_rho, count, ln_r[i], 0.35, 50.0);
        t.rho[i] = std::exp(fit.value);
    }
    integrate_jeans(t, G_mass, 0.0);
    tabulate_potential(t, potential);
    return t;
}

SphereTable halo_table(const AnalyticHalo& halo, const MassFunction& G_mass, const PotentialFunction& potential) {
    SphereTable t;
    const double a = halo.scale();
    const bool cut = halo.cutoff() > 0.0;
    const double r_hi = cut ? halo.cutoff() : 1e4 * a;
    t.grid = LogGrid(std::min(1e-3 * a, 1e-3 * r_hi), r_hi, halo_points);
    t.rho.resize(halo_points);
    for (int i = 0; i < halo_points; ++i) t.rho[i] = halo.density(t.grid[i]);
    t.keplerian_tail = !cut;
    // The Hernquist tail beyond r_hi: rho ~ r^-4 and M about constant give
    // rho(r_hi) G M(r_hi) / (5 r_hi).
    integrate_jeans(t, G_mass, cut ? 0.0 : t.rho.back() * G_mass(r_hi) / (5.0 * r_hi));
    tabulate_potential(t, potential);
    return t;
}

}  // namespace galtk::galvel
