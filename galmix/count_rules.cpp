#include "count_rules.hpp"

namespace galmix {

void apply_count_rules(const RunParameters& p, CountPoint point, ComponentCounts& counts) {
    switch (point) {
    case CountPoint::bulge_read:
        if (p.fbul == 0.0f) counts.nbu = 0;
        break;
    case CountPoint::all_inputs_read:
        // A NaN fdisk is unequal to 0 and keeps the disk.
        if (!(p.idisk == 1 && p.fdisk != 0.0f)) counts.num = 0;
        break;
    }
}

}  // namespace galmix
