// What the disk population's particles say about its shape: extent, half-mass radius,
// scale length and sech^2 scale height.
#pragma once

#include <cstddef>

#include "particle_set.hpp"

namespace galtk::galvel {

struct DiskShape {
    double r_max = 0.0;          // largest cylindrical radius
    double r_half = 0.0;         // cylindrical radius holding half of the mass
    double scale_length = 0.0;   // r_half / 1.67835 (an exponential disk's ratio)
    double z0 = 0.0;             // median |z| / atanh(1/2)
};

// Particles [0, n) of `set`.
DiskShape measure_disk(const ParticleSet& set, std::size_t n);

// R_half / h of an exponential disk: the root of (1 + x) e^-x = 1/2.
inline constexpr double half_mass_in_scale_lengths = 1.67834699;

}  // namespace galtk::galvel
