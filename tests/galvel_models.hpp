// Models for galvel's tests, built in memory: an exponential disk with a sech^2 layer
// and a Hernquist bulge, drawn with the standard library's generator (independent of
// the toolkit's ran1).
#pragma once

#include <cmath>
#include <cstddef>
#include <numbers>
#include <random>

#include "particle_set.hpp"

namespace galtk::test {

struct ModelRecipe {
    std::size_t disk = 20000;
    double disk_mass = 1.0;
    double h = 1.0;          // scale length
    double z0 = 0.1;         // sech^2 scale height
    double r_cut = 8.0;      // disk radii drawn below r_cut
    std::size_t bulge = 0;
    double bulge_mass = 0.25;
    double bulge_a = 0.2;
    double bulge_cut = 3.0;
    float softening = 0.05f;
    unsigned seed = 7;
};

inline ParticleSet make_model(const ModelRecipe& m) {
    std::mt19937_64 gen(m.seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    ParticleSet set;
    set.resize(m.disk + m.bulge);
    set.softening = {m.softening, m.softening};
    set.type_mass = {0.0f, 0.0f};
    set.per_particle_mass = true;
    for (std::size_t j = 0; j < m.disk; ++j) {
        double R;
        do R = -m.h * std::log((1.0 - u(gen)) * (1.0 - u(gen)));   // R e^{-R/h}
        while (R >= m.r_cut);
        const double phi = 2.0 * std::numbers::pi * u(gen);
        const double z = m.z0 * std::atanh(2.0 * u(gen) - 1.0);
        set.pos[j] = {float(R * std::cos(phi)), float(R * std::sin(phi)), float(z)};
        set.mass[j] = float(m.disk_mass / double(m.disk));
        set.type[j] = 1;
    }
    for (std::size_t j = m.disk; j < m.disk + m.bulge; ++j) {
        double r;
        do {
            const double s = std::sqrt(u(gen));
            r = m.bulge_a * s / (1.0 - s);
        } while (r >= m.bulge_cut);
        const double c = 2.0 * u(gen) - 1.0, phi = 2.0 * std::numbers::pi * u(gen);
        const double s = std::sqrt(1.0 - c * c);
        set.pos[j] = {float(r * s * std::cos(phi)), float(r * s * std::sin(phi)), float(r * c)};
        set.mass[j] = float(m.bulge_mass / double(m.bulge));
        set.type[j] = 1;
    }
    return set;
}

}  // namespace galtk::test
