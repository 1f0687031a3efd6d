// The positions of one component: a position list file, a count line, then one x y z
// line per particle (further values on a line, such as the rest of a snapshot record,
// are ignored).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model.hpp"
#include "unit.hpp"

namespace galmix {

// The refusal of a negative particle count on line 1 of a file: the count becomes part
// of the model's particle total, and a negative one would make the written header
// announce a number of records that does not follow.
std::string negative_particle_count(const galtk::Unit& unit, std::int32_t count);

// Reads a whole position list file into `list` and returns its count. With `scale`
// (the bulge), each coordinate is stored as scale * value.
std::int32_t read_position_file(galtk::Unit& unit, PositionList& list, std::optional<float> scale = std::nullopt);

}  // namespace galmix
