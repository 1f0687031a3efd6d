// The bulge position list "sip3.dat", every position scaled by bscale.
#pragma once

#include <vector>

#include "unit.hpp"
#include "vec3.hpp"

namespace diskbulge {

// Reads the count nbu and all nbu positions, each coordinate multiplied by bscale. A
// negative count is refused.
std::vector<galtk::Vec3> read_bulge_positions(galtk::Unit& sip3, float bscale);

}  // namespace diskbulge
