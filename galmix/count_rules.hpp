// The rules that leave a component out of the model although its file was read.
#pragma once

#include "model.hpp"
#include "run_parameters.hpp"

namespace galmix {

enum class CountPoint {
    bulge_read,       // after the last bulge position is read
    all_inputs_read,  // after every input is read and the bar selected
};

// At bulge_read: nbu = 0 when fbul is 0. At all_inputs_read: num = 0 unless idisk is 1
// and fdisk is not 0 (the bar, selected from the disk file, stays). The spiral and ring
// counts always stay as read, even with a zero fraction (their particles get mass 0).
void apply_count_rules(const RunParameters& p, CountPoint point, ComponentCounts& counts);

}  // namespace galmix
