#include "velocities.hpp"

#include <cmath>

namespace galtk::galvel {

namespace {

constexpr int tries = 64;
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
        const double R = std::sqrt(double(p.x) * p.x + double(p.y) * p.y);
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
        const double r = std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z);
        const double sigma = table.sigma_at(r, G_mass);
        double v[3];
        capped += draw_below(limit_squared(table.potential_at(r, G_mass)), v, [&](double* d) {
            for (int k = 0; k < 3; ++k) d[k] = sigma * random.normal();
        });
        set.vel[j] = {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
    }
    return capped;
}

}  // namespace galtk::galvel
