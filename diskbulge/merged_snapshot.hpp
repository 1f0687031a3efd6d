// "tinit.dat": the disk records as read, then the first numb bulge positions as
// particles at rest of type 1, under the disk's header; with per-type tallies.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "bulge_positions.hpp"
#include "disk_input.hpp"
#include "unit.hpp"

namespace diskbulge {

// Particles and mass written per type slot (type code t in slot t).
struct TypeTally {
    std::array<std::int32_t, type_slots> ncom{};
    std::array<float, type_slots> tmcom{};
};

// Writes the merged snapshot; prints "center particle" once, right after the first
// record of type 1 is written.
TypeTally write_merged_snapshot(galtk::Unit& tinit, galtk::Unit& console, const DiskHeader& header,
                                std::span<const galtk::ParticleRecord> disk,
                                std::span<const BulgePosition> bulge);

}  // namespace diskbulge
