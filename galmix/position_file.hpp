// Reading the particle positions of one component: a count line, then one x y z line per
// particle (further values on a line, such as the rest of a snapshot record, are ignored).
#pragma once

#include <cstdint>
#include <optional>

#include "model.hpp"
#include "unit.hpp"
#include "what.hpp"

namespace galmix {

// Refuses a negative particle count read from `unit` (line 1): the count becomes part of
// the model's particle total, and a negative one would make the written header announce
// a number of records that does not follow.
void check_particle_count(galtk::Unit& unit, std::int32_t count);

// Room for the positions a count announces, up to a bound: a bogus count in a short
// file must not claim gigabytes before the file runs out.
void reserve_for_count(PositionList& list, std::int32_t count);

// Reads a whole position list file into `list` and returns its count. With `scale`
// (the bulge), each coordinate is stored as scale * value.
std::int32_t read_position_file(galtk::Unit& unit, PositionList& list, std::optional<float> scale = std::nullopt);

}  // namespace galmix
