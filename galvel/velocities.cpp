#include "velocities.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geometry.hpp"

namespace galtk::galvel {

namespace {

constexpr int tries = 64;
constexpr int rejections = 100000;
constexpr double escape_fraction = 0.95;

double limit_squared(double potential) {
    return potential < 0.0 ? escape_fraction * escape_fraction * -2.0 * potential : HUGE_VAL;
}

// Draws (a, b, c) with `draw` until a^2 + b^2 + c^2 is within `limit2`; returns whether
// the last draw had to be scaled down.
template <typename Draw>
bool draw_below(double limit2, double v[3], Draw draw) {
    for (int attempt = 0; attempt < tries; ++attempt) {
        draw(v);
        if (v[0] * v[0] + v[1] * v[1] + v[2] * v[2] <= limit2) return false;
    }
    const double scale = std::sqrt(limit2 / (v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    for (int k = 0; k < 3; ++k) v[k] *= scale;
    return true;
}

}  // namespace

std::size_t draw_disk_velocities(ParticleSet& set, std::size_t n, const DiskTable& t, Deviates& random) {
    std::size_t capped = 0;
    const double r0 = t.grid[0];
    for (std::size_t j = 0; j < n; ++j) {
        const Vec3& p = set.pos[j];
        const double R = cylindrical_radius(p);
        int i;
        double w;
        t.grid.locate(R, i, w);
        auto at = [&](const std::vector<double>& c) { return c[i] + w * (c[i + 1] - c[i]); };
        const double sr = at(t.sigma_r), sp = at(t.sigma_phi), sz = at(t.sigma_z);
        const double mean = R < r0 ? t.mean_vphi[0] * R / r0 : at(t.mean_vphi);
        double v[3];   // v_R, v_phi, v_z
        capped += draw_below(limit_squared(at(t.potential)), v, [&](double* d) {
            d[0] = sr * random.normal();
            d[1] = mean + sp * random.normal();
            d[2] = sz * random.normal();
        });
        const double c = R > 0.0 ? p.x / R : 1.0;
        const double s = R > 0.0 ? p.y / R : 0.0;
        set.vel[j] = {static_cast<float>(v[0] * c - v[1] * s), static_cast<float>(v[0] * s + v[1] * c),
                      static_cast<float>(v[2])};
    }
    return capped;
}

std::size_t draw_sphere_velocities(ParticleSet& set, std::size_t first, std::size_t last,
                                   const SphereTable& table, const MassFunction& G_mass, Deviates& random) {
    std::size_t capped = 0;
    for (std::size_t j = first; j < last; ++j) {
        const Vec3& p = set.pos[j];
        const double r = spherical_radius(p);
        const double sigma = table.sigma_at(r, G_mass);
        double v[3];
        capped += draw_below(limit_squared(table.potential_at(r, G_mass)), v, [&](double* d) {
            for (int k = 0; k < 3; ++k) d[k] = sigma * random.normal();
        });
        set.vel[j] = {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
    }
    return capped;
}

std::size_t draw_sphere_velocities_from_f(ParticleSet& set, std::size_t first, std::size_t last,
                                          const DistributionFunction& f,
                                          const std::function<double(double)>& potential, Deviates& random) {
    std::size_t unsettled = 0;
    for (std::size_t j = first; j < last; ++j) {
        const double psi = -potential(spherical_radius(set.pos[j]));
        const double bound = f.bound(psi);
        double speed = 0.0;
        bool kept = false;
        if (bound > 0.0) {
            const double escape = std::sqrt(2.0 * psi);
            for (int attempt = 0; attempt < rejections && !kept; ++attempt) {
                const double v = escape * random.uniform();
                const double weight = f(psi - 0.5 * v * v) * v * v;
                if (random.uniform() * bound <= weight) {
                    speed = v;
                    kept = true;
                }
            }
        }
        unsettled += !kept;
        const double cos_theta = 2.0 * random.uniform() - 1.0;
        const double sin_theta = std::sqrt(std::max(0.0, 1.0 - cos_theta * cos_theta));
        const double phi = 2.0 * std::numbers::pi * random.uniform();
        set.vel[j] = {static_cast<float>(speed * sin_theta * std::cos(phi)),
                      static_cast<float>(speed * sin_theta * std::sin(phi)), static_cast<float>(speed * cos_theta)};
    }
    return unsettled;
}

}  // namespace galtk::galvel
