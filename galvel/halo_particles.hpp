// Realising the analytic halo as particles: radii drawn from its cumulative mass, the
// directions isotropic, every particle of mass M / N.
#pragma once

#include <cstddef>

#include "deviates.hpp"
#include "halo.hpp"
#include "particle_set.hpp"

namespace galtk::galvel {

// Appends `count` particles (type code 1, at rest) to `set`, each of mass M_total / N (the
// tapered profile's mass). Each takes three uniforms in order: u1 for the radius, the root
// of M(r) = u1 M_total (inside the taper's edge Hernquist: r = a s / (1 - s) with
// s = sqrt(M(r) / M); NFW: f(r / rs) = f(c) M(r) / M200; beyond it the taper's mass table),
// u2 for cos(theta) = 2 u2 - 1, u3 for phi = 2 pi u3.
void append_halo_particles(ParticleSet& set, const AnalyticHalo& halo, std::size_t count, Deviates& random);

}  // namespace galtk::galvel
