// The default half-side of the maps: the radius about the origin that holds 99% of the
// model's mass, rounded up to two significant digits (strictly above it).
#pragma once

#include "particle_set.hpp"

namespace snapmap {

// The smallest particle distance r from the origin (in 3-D, so that every projection's
// square [-r, r]^2 holds at least that mass) such that the particles within r carry at
// least `fraction` of the total mass. Found by a few passes of a mass histogram over a
// shrinking radius interval: no per-particle memory. 0 for a model without mass.
double mass_radius(const galtk::ParticleSet& model, double fraction);

// x rounded up to two significant digits: 15.23 -> 16, 0.0734 -> 0.074, 16 -> 16,
// 99.1 -> 100. The result is at most 10% above x. 0 stays 0.
double round_up_two_digits(double x);

// The smallest number of two significant digits above mass_radius(model, 0.99) (99 -> 100,
// 98.2 -> 99); 0 when that mass sits at the origin or the model has no mass.
float default_extent(const galtk::ParticleSet& model);

}  // namespace snapmap
