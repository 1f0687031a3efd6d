// The kinetic energy and the virial of the particles.
//
// K = sum m v^2 / 2. W = sum m x . a (the Clausius virial; for particles in equilibrium
// in the total field, halo included, 2K + W = 0 whether or not the halo has particles),
// with the acceleration a estimated as:
//   disk particle:      x . a = R a_R(R) + z a_z, a_R = -vc^2(R) / R of the table (the
//                       azimuthally averaged mid-plane field of everything),
//                       a_z = -2 pi G Sigma(R) tanh(z / z0) (the disk as an isothermal
//                       sheet) - G M_sph(r) z / r^3 (bulge and halo, spherical), and
//                       a gas layer's pull when there is one; or, when the vertical
//                       balance came from it, a_z of the model's whole field
//   spherical particle: x . a = -G M(r) / r, M the spherically averaged mass of everything.
#pragma once

#include <cstddef>
#include <functional>

#include "disk_table.hpp"
#include "particle_set.hpp"
#include "sphere_table.hpp"

namespace galtk::galvel {

struct Energies {
    double kinetic = 0.0;
    double virial = 0.0;
};

// A disk particle's vertical acceleration a_z(R, z) other than the default's.
struct DiskPull {
    std::function<double(double, double)> layer;   // added to the default (a gas layer's)
    std::function<double(double, double)> field;   // replaces everything (the whole field's)
};

// Disk population [0, n_disk), spherical particles [n_disk, size).
Energies energies(const ParticleSet& set, std::size_t n_disk, const DiskTable& table, double z0, double G,
                  const MassFunction& G_mass_all, const MassFunction& G_mass_spheroids, const DiskPull& pull = {});

}  // namespace galtk::galvel
