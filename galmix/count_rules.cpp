#include "count_rules.hpp"

namespace galmix {

std::int32_t bulge_particles_written(const RunParameters& p, std::int32_t nbu) { return p.fbul == 0.0f ? 0 : nbu; }

std::int32_t disk_particles_written(const RunParameters& p, std::int32_t num) {
    return p.idisk == 1 && p.fdisk != 0.0f ? num : 0;
}

}  // namespace galmix
