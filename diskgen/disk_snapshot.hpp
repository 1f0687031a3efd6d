// The disk snapshot "sip2.dat": header, then one record per particle, the first of them
// the centre particle at the origin at rest.
#pragma once

#include <cstdint>
#include <span>

#include "vec3.hpp"
#include "unit.hpp"

namespace diskgen {

// Mass of one particle: the disk mass shared among the n particles written.
float particle_mass(float dmass, std::size_t n);

// Writes the snapshot (four header entries stand for five: every list holds five equal
// values) with every particle at rest and of type 1; returns totm, the masses written
// summed one record at a time.
float write_disk_snapshot(galtk::Unit& sip2, std::span<const galtk::Vec3> x1, float soft, float pmass);

}  // namespace diskgen
