// The rules that leave a component out of the model although its file was read. The
// spiral and ring counts always stay as read, even with a zero fraction (their particles
// get mass 0).
#pragma once

#include <cstdint>

#include "run_parameters.hpp"

namespace galmix {

// The bulge is written only when its fraction fbul is not 0.
std::int32_t bulge_particles_written(const RunParameters& p, std::int32_t nbu);

// The disk is written only when idisk is 1 and fdisk is not 0 (a NaN fdisk keeps it);
// the bar, selected from the disk file, stays either way.
std::int32_t disk_particles_written(const RunParameters& p, std::int32_t num);

}  // namespace galmix
