// "tinit.dat": the disk records as read, then the first numb bulge positions as
// particles at rest of type 1, under the disk's header; with per-type tallies.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "disk_input.hpp"
#include "particle_files.hpp"
#include "unit.hpp"
#include "vec3.hpp"

namespace diskbulge {

// Particles and mass written per type slot (type code t in slot t).
struct TypeTally {
    std::array<std::int32_t, type_slots> ncom{};
    std::array<float, type_slots> tmcom{};
};

// The tallies of the merged snapshot: each record adds one to its slot's count and its
// type's header mass to the slot's total, one single-precision sum per record in
// record order (disk, then bulge).
TypeTally tally_types(const DiskHeader& header, std::span<const galtk::ParticleRecord> disk, std::size_t nbulge);

// Writes the merged snapshot; prints "center particle" (position and velocity) once,
// right after the first record of type 1 is written.
void write_merged_snapshot(galtk::Unit& tinit, galtk::Unit& console, const DiskHeader& header,
                           std::span<const galtk::ParticleRecord> disk, std::span<const galtk::Vec3> bulge);

}  // namespace diskbulge
