// The bulge position list "sip3.dat", every position scaled by bscale.
#pragma once

#include <array>
#include <vector>

#include "unit.hpp"

namespace diskbulge {

using BulgePosition = std::array<float, 3>;

// Reads the count nbu and all nbu positions, each coordinate multiplied by bscale. A
// negative count is refused.
std::vector<BulgePosition> read_bulge_positions(galtk::Unit& sip3, float bscale);

}  // namespace diskbulge
