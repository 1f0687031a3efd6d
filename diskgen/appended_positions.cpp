#include "appended_positions.hpp"

#include <limits>
#include <string>

#include "position_list.hpp"
#include "run.hpp"

namespace diskgen {

void append_positions(galtk::Unit& sip1, std::int32_t numd, std::vector<galtk::Vec3>& x1) {
    const std::int32_t nadd = galtk::read_position_count(sip1, {"count line (nadd)"});
    if (nadd > std::numeric_limits<std::int32_t>::max() - numd)
        sip1.run().refuse("numd + nadd = " + std::to_string(std::int64_t{numd} + nadd) +
                          " particles exceed the integer range of a snapshot count");
    // Rows from numd on: with numd 0 the first position is read over the one drawn
    // particle, and a null value keeps that particle's coordinate.
    galtk::read_positions(sip1, nadd, x1, std::nullopt, static_cast<std::size_t>(numd));
}

}  // namespace diskgen
