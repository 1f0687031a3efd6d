// Drawing the velocities from the Jeans-moment profiles.
//
// Disk particle at (R, phi): v_R = sigma_R g1, v_phi = mean v_phi + sigma_phi g2,
// v_z = sigma_z g3 (g normal deviates, in this order), turned into Cartesian components
// with the rotation counter-clockwise seen from +z (angular momentum along +z). Spherical
// components: three normal deviates times sigma(r) along x, y, z. A speed above 0.95 times
// the local escape speed sqrt(-2 Phi) is drawn again (all three deviates); after 64 draws
// above it the last one is scaled down to that speed (counted in Outcome::capped). Inside
// the first radius of the disk table the mean rotation falls linearly to 0 at the centre.
#pragma once

#include <cstddef>
#include <functional>

#include "deviates.hpp"
#include "disk_table.hpp"
#include "eddington.hpp"
#include "particle_set.hpp"
#include "sphere_table.hpp"

namespace galtk::galvel {

// Particles [0, n); returns the number of capped draws.
std::size_t draw_disk_velocities(ParticleSet& set, std::size_t n, const DiskTable& table, Deviates& random);

// Particles [first, last) of a spherical component, by the Jeans moments.
std::size_t draw_sphere_velocities(ParticleSet& set, std::size_t first, std::size_t last,
                                   const SphereTable& table, const MassFunction& G_mass, Deviates& random);

// Particles [first, last) of a spherical component, from its distribution function f(E)
// in the relative potential psi(r) = -Phi(r): the speed at the particle's radius has the
// density f(psi - v^2/2) v^2 on 0 <= v <= sqrt(2 psi) (no speed beyond the escape speed,
// where f = 0), drawn by rejection: v = sqrt(2 psi) u1 is kept when
// u2 B(psi) <= f(psi - v^2/2) v^2, B the function's bound, so every kept speed has exactly
// that density. After 10^5 rejections in a row (a density whose f is 0 at every energy
// the particle can have) the speed is 0 and the particle counted. The direction is
// isotropic: cos(theta) = 2 u3 - 1, phi = 2 pi u4. Returns the particles counted.
std::size_t draw_sphere_velocities_from_f(ParticleSet& set, std::size_t first, std::size_t last,
                                          const DistributionFunction& f,
                                          const std::function<double(double)>& potential, Deviates& random);

}  // namespace galtk::galvel
