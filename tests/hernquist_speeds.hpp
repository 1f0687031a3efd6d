// Hernquist's closed-form distribution function and the test of drawn speeds against it:
// each speed mapped through the closed form's cumulative speed distribution at its own
// radius is uniform, checked by Kolmogorov-Smirnov in radial shells.
#pragma once

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <vector>

#include "particle_set.hpp"

namespace galtk::test {

// Hernquist (1990) eq. 17 for relative energy E: q = sqrt(a E / (G M)), vg = sqrt(G M / a),
//   f = M / (8 sqrt(2) pi^3 a^3 vg^3) (1 - q^2)^(-5/2)
//       [3 asin q + q sqrt(1 - q^2) (1 - 2 q^2) (8 q^4 - 8 q^2 - 3)].
inline double hernquist_f(double E, double G, double M, double a) {
    if (!(E > 0.0)) return 0.0;
    constexpr double pi = std::numbers::pi;
    const double q = std::sqrt(a * E / (G * M)), vg = std::sqrt(G * M / a), q2 = q * q;
    return M / (8.0 * std::sqrt(2.0) * pi * pi * pi * a * a * a * vg * vg * vg) * std::pow(1.0 - q2, -2.5) *
           (3.0 * std::asin(q) + q * std::sqrt(1.0 - q2) * (1.0 - 2.0 * q2) * (8.0 * q2 * q2 - 8.0 * q2 - 3.0));
}

// The speed of a particle at r has the density f(psi - v^2/2) v^2 on (0, v_esc): each
// drawn speed mapped through that cumulative distribution (closed-form f, Simpson's rule)
// is uniform on (0, 1). Kolmogorov-Smirnov against the uniform in five radial shells of a
// 10^5-particle halo, at the 0.1% level in each (D < 1.95 / sqrt(n)).
inline double ks_distance(std::vector<double>& u) {
    std::sort(u.begin(), u.end());
    double d = 0.0;
    const double n = double(u.size());
    for (std::size_t i = 0; i < u.size(); ++i) d = std::max({d, u[i] - double(i) / n, double(i + 1) / n - u[i]});
    return d;
}

inline double speed_quantile(double v, double psi, double G, double M, double a) {
    constexpr int steps = 64;
    const double escape = std::sqrt(2.0 * psi);
    double below = 0.0, total = 0.0;
    auto weight = [&](double w) { return hernquist_f(psi - 0.5 * w * w, G, M, a) * w * w; };
    for (int i = 0; i < steps; ++i) {
        // Simpson on each of `steps` panels, the panel holding v split at v.
        const double lo = escape * i / steps, hi = escape * (i + 1) / steps;
        const double panel = (hi - lo) / 6.0 * (weight(lo) + 4.0 * weight(0.5 * (lo + hi)) + weight(hi));
        total += panel;
        if (hi <= v) {
            below += panel;
        } else if (lo < v) {
            below += (v - lo) / 6.0 * (weight(lo) + 4.0 * weight(0.5 * (lo + v)) + weight(v));
        }
    }
    return below / total;
}

inline std::vector<double> shell_ks(const ParticleSet& set, std::size_t first, double G, double M, double a,
                             double psi_shift) {
    const double edges[] = {0.1, 0.3, 1.0, 3.0, 10.0, 30.0};
    std::vector<std::vector<double>> u(5);
    for (std::size_t j = first; j < set.size(); ++j) {
        const Vec3& p = set.pos[j];
        const double r = std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z) / a;
        const auto shell = std::upper_bound(std::begin(edges), std::end(edges), r) - std::begin(edges) - 1;
        if (shell < 0 || shell > 4) continue;
        const Vec3& v = set.vel[j];
        const double speed = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
        u[shell].push_back(speed_quantile(speed, G * M / (a * (1.0 + r)) - psi_shift, G, M, a));
    }
    std::vector<double> excess;
    for (auto& shell : u) excess.push_back(ks_distance(shell) * std::sqrt(double(shell.size())) / 1.95);
    return excess;
}

}  // namespace galtk::test
