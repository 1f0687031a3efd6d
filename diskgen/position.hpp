// One row of the disk generator's particle store: a position. Every particle it writes
// is at rest, so no velocities are stored.
#pragma once

namespace diskgen {

struct Position {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

}  // namespace diskgen
