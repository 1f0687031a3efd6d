// "si1.para": the first 11 records of the structural parameter layout, of which the
// bulge merge uses two: the bulge fraction and the bulge position scale.
#pragma once

#include <cstdint>

#include "run.hpp"
#include "unit.hpp"

namespace diskbulge {

struct BulgeParameters {
    float fbul = 0.0f;    // bulge particles per disk particle (record 10)
    float bscale = 0.0f;  // factor on every coordinate of the bulge positions (record 11)
};

// Reads the 11 records, one value each (records 1, 3 and 8 integers, the rest reals).
BulgeParameters read_parameters(galtk::Unit& si1);

// numb: num converted to real times fbul, the product exact (both factors have 24-bit
// significands, so it is exact in double) and truncated toward zero. Refused unless it
// lies between 0 and nbu, the number of bulge positions on hand (and num + numb fits
// a snapshot count).
std::int32_t bulge_count(galtk::Run& run, std::int32_t num, float fbul, std::int32_t nbu);

}  // namespace diskbulge
