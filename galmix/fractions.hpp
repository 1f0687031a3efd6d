// The mass fraction of the disk.
#pragma once

#include "run_parameters.hpp"

namespace galmix {

// Disk, bar, spiral and the two rings share a total of 1 (the bulge comes on top):
// fdisk = (((1 - fspi) - fbar) - fr1) - fr2, four single-precision subtractions in this
// order (0.1, 0.2, 0.05, 0.05 give 0.59999996, not the float nearest to 0.6).
float disk_fraction(const RunParameters& p);

}  // namespace galmix
