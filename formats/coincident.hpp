// Particles at the same place. Tree codes (GADGET, AREPO, ChaNGa) cannot separate two
// particles with identical coordinates: they subdivide the node holding them until the
// node memory runs out. galmix puts every bar particle exactly on a disk particle.
//
// Positions are compared by their bit patterns (x, y, z): +0.0 and -0.0 count as
// different places, and NaN coordinates are compared as bits too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "particle_set.hpp"

namespace galtk {

// The number of particles that share their position with at least one other particle:
// every member of a group counts, the first included (two particles at one place give 2).
std::size_t count_coincident(const ParticleSet& set);

struct JitterResult {
    std::size_t moved;     // particles moved
    float largest_offset;  // the longest offset applied (0 when none moved)
};

// Moves each particle that shares its position with an EARLIER particle (in the set's
// order) by an offset of length at most `eps`, so that afterwards no two particles
// coincide; the first of each group, every other particle, and all velocities, masses,
// types, IDs and the order stay as they were.
//
// The offsets come from ran1 seeded with `seed` (a negative value, as ran1 expects to
// start a stream; 0 or a positive value is used as its negative): for each moved particle
// in order, three deviates u give a point (2u-1)*eps in the cube, taken when it lies in
// the ball of radius eps and is not zero, drawn again otherwise. A moved particle that
// lands on an occupied place draws again. The same set, eps and seed give the same
// offsets on every run. Restarts ran1's table (the program's stream is reset).
JitterResult jitter_coincident(ParticleSet& set, float eps, std::int32_t seed);

// The line a program that writes a model prints under its summary when `coincident`
// particles still share their places (none were moved apart): what that does to a tree
// code and the option that helps. Empty otherwise.
std::string coincident_hint(std::size_t coincident, bool jittered);

}  // namespace galtk
