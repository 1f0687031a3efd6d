// Realising the analytic halo as particles: radii drawn from its cumulative mass, the
// directions isotropic, every particle of mass M / N.
#pragma once

#include <cstddef>

#include "deviates.hpp"
#include "halo.hpp"
#include "particle_set.hpp"

namespace galtk::galvel {

// Appends `count` particles (type code 1, at rest) to `set`. Each takes three uniforms in
// order: u1 for the radius (Hernquist: r = a sqrt(u1) / (1 - sqrt(u1)); NFW: the root of
// f(r / rs) = u1 f(c), so no particle lies beyond r200), u2 for cos(theta) = 2 u2 - 1,
// u3 for phi = 2 pi u3.
void append_halo_particles(ParticleSet& set, const AnalyticHalo& halo, std::size_t count, Deviates& random);

}  // namespace galtk::galvel
