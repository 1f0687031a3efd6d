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
#include "particle_set.hpp"
#include "sphere_table.hpp"

namespace galtk::galvel {

// Particles [0, n); returns the number of capped draws.
std::size_t draw_disk_velocities(ParticleSet& set, std::size_t n, const DiskTable& table, Deviates& random);

// Particles [first, last) of a spherical component.
std::size_t draw_sphere_velocities(ParticleSet& set, std::size_t first, std::size_t last,
                                   const SphereTable& table, const MassFunction& G_mass, Deviates& random);

}  // namespace galtk::galvel
