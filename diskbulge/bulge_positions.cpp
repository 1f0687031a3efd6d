#include "bulge_positions.hpp"

#include "position_list.hpp"

namespace diskbulge {

std::vector<galtk::Vec3> read_bulge_positions(galtk::Unit& sip3, float bscale) {
    const std::int32_t nbu = galtk::read_position_count(sip3, {"count line (nbu)"});
    std::vector<galtk::Vec3> bulge;
    // One product per coordinate, exact in double and rounded once: the float product.
    galtk::read_positions(sip3, nbu, bulge, bscale);
    return bulge;
}

}  // namespace diskbulge
