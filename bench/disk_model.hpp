// The benchmark model of snapmap: an exponential disk (scale length 3, height 0.3) in
// circular rotation, its particles in random order as a model file holds a component, so
// consecutive particles land in unrelated cells. Total mass 1.
#pragma once

#include <cmath>
#include <cstddef>
#include <random>

#include "particle_set.hpp"

namespace bench {

inline galtk::ParticleSet disk_model(std::size_t n) {
    galtk::ParticleSet model;
    model.resize(n);
    std::mt19937_64 gen(7);
    std::gamma_distribution<float> radius(2.0f, 3.0f);  // surface density e^(-R/3)
    std::uniform_real_distribution<float> angle(0.0f, 6.2831853f);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (std::size_t k = 0; k < n; ++k) {
        const float r = radius(gen), phi = angle(gen);
        model.pos[k] = {r * std::cos(phi), r * std::sin(phi), 0.3f * std::atanh(0.999f * unit(gen))};
        const float v = 1.0f - std::exp(-r / 2.0f);
        model.vel[k] = {-v * std::sin(phi), v * std::cos(phi), 0.05f * unit(gen)};
        model.mass[k] = 1.0f / float(n);
        model.type[k] = 1;
    }
    return model;
}

}  // namespace bench
