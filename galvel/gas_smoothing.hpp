// Smoothing lengths of the gas particles from their nearest neighbours.
//
// h_i is the radius of the sphere about particle i that holds `neighbours` gas particles,
// particle i itself counted: the distance to its (neighbours - 1)-th nearest other particle.
// For equal masses m this is GADGET's definition, (4 pi / 3) h^3 rho = N_ngb m with h the
// support radius of the cubic-spline kernel (the kernel is 0 beyond h). The neighbours are
// found with nanoflann's k-d tree, the queries split over threads in contiguous blocks
// (the result does not depend on the thread count).
#pragma once

#include <vector>

#include "vec3.hpp"

namespace galtk::galvel {

// 1 <= neighbours <= positions.size() (the caller checks).
std::vector<float> smoothing_lengths(const std::vector<Vec3>& positions, int neighbours, int threads);

}  // namespace galtk::galvel
