// Softening length of the particle set from the radius that holds half of the particles.
#pragma once

#include <span>

#include "vec3.hpp"

namespace diskgen {

struct Softening {
    float thalf = 0.0f;  // half of the particles within rmax (a real count)
    float rhalf = 0.0f;  // smallest bin radius that holds more than thalf particles
    float soft = 0.0f;   // edge of the cube each particle of the inner half occupies
};

// 100 radial bins of outer radius j * rmax / 100; each holds the count of particles at
// a distance of at most its radius. With no particle within rmax, rhalf is 0 and soft
// is not a number (0 / 0).
Softening estimate_softening(std::span<const galtk::Vec3> x1, float rmax);

}  // namespace diskgen
