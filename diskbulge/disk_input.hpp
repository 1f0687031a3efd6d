// The disk snapshot read by the bulge merge: its header and its particle records.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "particle_files.hpp"
#include "unit.hpp"

namespace diskbulge {

// Type codes 0 to 9 own one slot each of the per-type lists.
constexpr int type_slots = 10;

struct DiskHeader {
    std::int32_t num = 0;    // particle records that follow the header
    std::int32_t ncomp = 0;  // entries used on the list lines (4 read stands for 5)
    std::array<float, type_slots> hpar{};   // softening length per type
    std::array<float, type_slots> hmass{};  // particle mass per type

    std::span<const float> softenings() const { return {hpar.data(), static_cast<std::size_t>(ncomp)}; }
    std::span<const float> masses() const { return {hmass.data(), static_cast<std::size_t>(ncomp)}; }
};

// Reads lines 1 to 4 (the time on line 1 is not read). A negative particle count, or
// an ncomp outside 0 to 10 (after 4 becomes 5), is refused.
DiskHeader read_disk_header(galtk::Unit& sip2);

// Reads the num particle records; a type code outside 0 to 9 is refused.
std::vector<galtk::ParticleRecord> read_disk_records(galtk::Unit& sip2, std::int32_t num);

}  // namespace diskbulge
