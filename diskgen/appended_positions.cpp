#include "appended_positions.hpp"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string>

#include "particle_files.hpp"
#include "run.hpp"

namespace diskgen {

namespace {
// Rows reserved for the list at most before it is read; a longer list grows the store.
constexpr std::size_t reserve_rows_max = std::size_t{1} << 22;
}  // namespace

void append_positions(galtk::Unit& sip1, std::int32_t numd, std::vector<Position>& x1) {
    const std::int32_t nadd = galtk::read_position_list_count(sip1, {"count line (nadd)"});
    if (nadd < 0)
        sip1.run().refuse("sip1.dat announces " + std::to_string(nadd) +
                          " positions: the count must be 0 or more");
    if (nadd > std::numeric_limits<std::int32_t>::max() - numd)
        sip1.run().refuse("numd + nadd = " + std::to_string(std::int64_t{numd} + nadd) +
                          " particles exceed the integer range of a snapshot count");

    const std::size_t first = static_cast<std::size_t>(numd);
    x1.reserve(first + std::min(static_cast<std::size_t>(nadd), reserve_rows_max));
    for (std::int32_t j = 1; j <= nadd; ++j) {
        const std::size_t row = first + static_cast<std::size_t>(j - 1);
        if (row == x1.size()) x1.emplace_back();
        // A null value keeps what the row held: zero, or the drawn particle in row 1.
        float pos[3] = {x1[row].x, x1[row].y, x1[row].z};
        galtk::read_position(sip1, {"position", j}, pos);
        x1[row] = {pos[0], pos[1], pos[2]};
    }
    x1.resize(first + static_cast<std::size_t>(nadd));
}

}  // namespace diskgen
