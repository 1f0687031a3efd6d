#include "particle_sphere.hpp"

#include <algorithm>
#include <numeric>

namespace galtk::galvel {

namespace {

double largest(const std::vector<float>& radii) {
    float r = 0.0f;
    for (const float x : radii) r = std::max(r, x);
    return r;
}

// The radius inside which half of the mass lies (masses may differ).
double half_mass(const std::vector<float>& radii, const std::vector<float>& masses) {
    if (radii.empty()) return 0.0;
    std::vector<std::size_t> by_radius(radii.size());
    std::iota(by_radius.begin(), by_radius.end(), std::size_t{0});
    std::sort(by_radius.begin(), by_radius.end(), [&](std::size_t a, std::size_t b) { return radii[a] < radii[b]; });
    double total = 0.0;
    for (const float m : masses) total += m;
    double held = 0.0;
    for (const std::size_t j : by_radius) {
        held += masses[j];
        if (held >= 0.5 * total) return radii[j];
    }
    return radii[by_radius.back()];
}

}  // namespace

ParticleSphere::ParticleSphere(const std::vector<float>& radii, const std::vector<float>& masses)
    : mass_(largest(radii)), density_(radii, masses, true), half_mass_radius_(half_mass(radii, masses)),
      outermost_(largest(radii)) {
    for (std::size_t j = 0; j < radii.size(); ++j) mass_.add(radii[j], masses[j]);
    mass_.finish();
}

}  // namespace galtk::galvel
