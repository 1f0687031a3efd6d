#include "position_file.hpp"

#include "position_list.hpp"

namespace galmix {

std::string negative_particle_count(const galtk::Unit& unit, std::int32_t count) {
    return "negative particle count " + std::to_string(count) + " on line 1 of " + unit.name();
}

std::int32_t read_position_file(galtk::Unit& unit, PositionList& list, std::optional<float> scale) {
    const std::int32_t count = galtk::read_position_count(unit, {"particle count"}, negative_particle_count);
    galtk::read_positions(unit, count, list, scale);
    return count;
}

}  // namespace galmix
