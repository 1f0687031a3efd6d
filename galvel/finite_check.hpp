// The last check before anything is written: a model whose field overflows (an extreme halo,
// masses or lengths far outside float's range) gives infinite or NaN velocities, which no
// simulation code can start from.
#pragma once

#include "equilibrium.hpp"
#include "particle_set.hpp"

namespace galtk::galvel {

// Throws Refusal naming the count of non-finite velocities, the first such particle and
// its component, or the energy that is not finite.
void refuse_non_finite(const ParticleSet& set, const Outcome& outcome);

}  // namespace galtk::galvel
