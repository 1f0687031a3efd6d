#include "bulge_positions.hpp"

#include <algorithm>
#include <cstddef>
#include <string>

#include "particle_files.hpp"
#include "run.hpp"

namespace diskbulge {

namespace {
// Positions reserved at most before they are read; a longer list grows the store.
constexpr std::size_t reserve_positions_max = std::size_t{1} << 22;
}  // namespace

std::vector<BulgePosition> read_bulge_positions(galtk::Unit& sip3, float bscale) {
    const std::int32_t nbu = galtk::read_position_list_count(sip3, {"count line (nbu)"});
    if (nbu < 0)
        sip3.run().refuse("sip3.dat announces " + std::to_string(nbu) + " positions: the count must be 0 or more");
    std::vector<BulgePosition> bulge;
    bulge.reserve(std::min(static_cast<std::size_t>(std::max(nbu, 0)), reserve_positions_max));
    for (std::int32_t j = 1; j <= nbu; ++j) {
        BulgePosition pos{};  // a null value leaves 0
        galtk::read_position(sip3, {"position", j}, pos.data());
        // One product per coordinate, exact in double and rounded once: the float product.
        for (float& c : pos) c = c * bscale;
        bulge.push_back(pos);
    }
    return bulge;
}

}  // namespace diskbulge
