#include "position_file.hpp"

#include <algorithm>
#include <string>

#include "list_reader.hpp"
#include "run.hpp"

namespace galmix {

namespace {
constexpr std::int32_t initial_reserve_bound = 1 << 20;  // 12 MB of positions
}

void check_particle_count(galtk::Unit& unit, std::int32_t count) {
    if (count < 0) {
        unit.run().refuse("negative particle count " + std::to_string(count) + " on line 1 of " + unit.name());
    }
}

void reserve_for_count(PositionList& list, std::int32_t count) {
    list.reserve(static_cast<std::size_t>(std::min(count, initial_reserve_bound)));
}

std::int32_t read_position_file(galtk::Unit& unit, PositionList& list, std::optional<float> scale) {
    std::int32_t count = 0;
    galtk::read_list(unit, {"particle count"}, count);
    check_particle_count(unit, count);
    reserve_for_count(list, count);
    for (std::int32_t i = 1; i <= count; ++i) {
        Position pos;
        galtk::read_list(unit, {"position", i}, pos.c[0], pos.c[1], pos.c[2]);
        if (scale) {
            for (float& c : pos.c) c = *scale * c;
        }
        list.push_back(pos);
    }
    return count;
}

}  // namespace galmix
