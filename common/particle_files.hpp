// The two particle file layouts shared by the model-building programs.
//
// Snapshot: line 1 `ntot thead`; line 2 `ncomp`; line 3 softening lengths; line 4
// masses; then one record per particle: x y z vx vy vz type [mass].
// Position list: line 1 the count; then one `x y z` line per position (further values
// on a line are ignored, so snapshot records also read as positions); read by
// position_list.hpp.
//
// How many header entries a program reads or writes is that program's own rule, so
// header lists are read with read_list by the programs themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "unit.hpp"
#include "vec3.hpp"
#include "what.hpp"

namespace galtk {

struct ParticleRecord {
    Vec3 pos;
    Vec3 vel;
    std::int32_t type = 0;
};

void write_snapshot_header(Unit& unit, std::int32_t ntot, float thead, std::int32_t ncomp,
                           std::span<const float> hpar, std::span<const float> hmass);
void write_particle_record(Unit& unit, const Vec3& pos, const Vec3& vel, std::int32_t type,
                           std::optional<float> mass = std::nullopt);
// Reads the seven items of one record into `rec` (items a null value leaves unchanged
// keep what `rec` held).
void read_particle_record(Unit& unit, const What& what, ParticleRecord& rec);

}  // namespace galtk
