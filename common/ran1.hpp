// The toolkit's uniform generator: Park and Miller's minimal standard (16807 mod 2^31-1)
// in 32-bit Schrage arithmetic behind a 32-entry Bays-Durham shuffle. One shuffle table
// per program, shared by every call site whatever seed variable it passes; each seed
// variable belongs to its caller.
#pragma once

#include <cstdint>

namespace galtk {

// One uniform deviate in [2^-31, 0.99999988]; advances `seed`. A seed <= 0, or the first
// call of a run whatever the seed, (re)builds the table from start value -seed (or 1).
float ran1(std::int32_t& seed);

// Puts the generator back to its state at program start (for tests).
void ran1_reset();

}  // namespace galtk
