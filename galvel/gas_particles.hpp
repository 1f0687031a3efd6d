// The gas disk as particles: drawn from the column table, given their rotation, internal
// energy, density and smoothing length, and put into the model after its own particles
// (before a live halo's).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "deviates.hpp"
#include "gas_disk.hpp"
#include "particle_set.hpp"

namespace galtk::galvel {

inline constexpr std::int32_t gas_type = 0;

struct GasParticles {
    std::vector<Vec3> pos, vel;
    float mass = 0.0f;                    // every particle's: M / N
    std::vector<float> u, density, hsml;  // specific internal energy, density, smoothing length
    std::size_t size() const { return pos.size(); }
};

// Three uniforms a particle, in order: u1 for R (the cumulative surface density), u2 for
// z (the cumulative rho(R, z) at that R, the lower half below u2 = 1/2), u3 for phi = 2 pi u3.
// Velocities: the mean rotation about +z, v_R = v_z = 0. Density and u from the table at
// the particle's position; smoothing lengths are left empty.
GasParticles draw_gas_particles(const GasDisk& disk, std::size_t count, Deviates& random);

// The same in two steps, so that the particles can be made away from the stream: first
// the 3 count uniforms, in the stream's order (ran1's floats, kept exactly) ...
std::vector<float> draw_gas_uniforms(std::size_t count, Deviates& random);
// ... then the particles from them, split over threads in contiguous blocks (the result
// does not depend on the thread count).
GasParticles gas_particles_from(const GasDisk& disk, const std::vector<float>& uniforms, int threads);

// Inserts the gas into `set` before particle `at` (type 0; IDs after the largest when the
// set carries IDs) with its gas fields (the set's other particles get 0 if it had none).
void insert_gas(ParticleSet& set, std::size_t at, const GasParticles& gas);

}  // namespace galtk::galvel
