#include "particle_sphere.hpp"

#include <algorithm>
#include <cmath>

namespace galtk::galvel {

namespace {

double largest(const std::vector<float>& radii) {
    float r = 0.0f;
    for (const float x : radii) r = std::max(r, x);
    return r;
}

}  // namespace

ParticleSphere::ParticleSphere(const std::vector<float>& radii, const std::vector<float>& masses)
    : mass_(largest(radii)), density_(radii, masses, true), outermost_(largest(radii)) {
    for (std::size_t j = 0; j < radii.size(); ++j) mass_.add(radii[j], masses[j]);
    mass_.finish();
    // Bisection in ln r on the shells' cumulative mass (monotonic): no sort of the radii.
    double lo = 1e-6 * outermost_, hi = outermost_;
    const double half = 0.5 * mass_.total();
    for (int step = 0; step < 60 && hi > lo; ++step) {
        const double mid = std::sqrt(lo * hi);
        (mass_.mass(mid) < half ? lo : hi) = mid;
    }
    half_mass_radius_ = hi;
}

}  // namespace galtk::galvel
