// Writes one position list file: the count line, then one `x y z` line per position,
// each drawn as it is written (nothing is stored).
#pragma once

#include <cstdint>

#include "component_shapes.hpp"
#include "list_writer.hpp"
#include "unit.hpp"

namespace mkcomponents {

// `draw(i)` gives position i, for i = 1 .. n in order.
template <class Draw>
void write_position_list(galtk::Unit& unit, std::int32_t n, Draw&& draw) {
    galtk::write_list(unit, n);
    for (std::int32_t i = 1; i <= n; ++i) {
        const galtk::Vec3 p = draw(i);
        galtk::write_list(unit, p.x, p.y, p.z);
    }
}

}  // namespace mkcomponents
