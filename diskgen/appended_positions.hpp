// The position list "sip1.dat" appended behind the drawn disk particles.
#pragma once

#include <cstdint>
#include <vector>

#include "vec3.hpp"
#include "unit.hpp"

namespace diskgen {

// Reads the count and the positions of the list into rows numd + 1 to numd + nadd;
// the store then holds numd + nadd rows. With numd 0 the first position takes the
// place of the one drawn particle. A negative count, or a total beyond the integer
// range, is refused.
void append_positions(galtk::Unit& sip1, std::int32_t numd, std::vector<galtk::Vec3>& x1);

}  // namespace diskgen
