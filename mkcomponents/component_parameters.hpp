// The parameter file "mkcomp.para" of mkcomponents: seven records, one read each.
#pragma once

#include <cstdint>

#include "run.hpp"
#include "unit.hpp"

namespace mkcomponents {

struct ComponentParameters {
    std::int32_t seed = 0;    // record 1: start value of the ran1 stream (|seed|; 0 means 1)
    std::int32_t nbu = 0;     // record 2: bulge count,
    float abu = 0.0f;         //           Hernquist scale radius,
    float rbumax = 0.0f;      //           truncation radius
    std::int32_t nspi = 0;    // record 3: spiral count (both arms together),
    float rin = 0.0f;         //           inner and
    float rout = 0.0f;        //           outer radius of the arms,
    float pitch = 0.0f;       //           pitch angle in degrees,
    float width = 0.0f;       //           arm width across the arm
    std::int32_t nr1 = 0;     // record 4: inner ring count,
    float r1 = 0.0f;          //           radius,
    float w1 = 0.0f;          //           width
    std::int32_t nr2 = 0;     // record 5: outer ring count,
    float r2 = 0.0f;          //           radius,
    float w2 = 0.0f;          //           width
    std::int32_t nadd = 0;    // record 6: count of the extra positions,
    float radd = 0.0f;        //           radius of their sphere
    float hz = 0.0f;          // record 7: sech-squared scale height of arms and rings
};

ComponentParameters read_parameters(galtk::Unit& para);

// Refuses (exit 1, nothing written) a negative count, a radius outside 1e-15 .. 1e15, a
// width or height outside 0 .. 1e15 (NaN included), arms whose outer radius does not
// exceed the inner one, a pitch angle outside 0.1 .. 89.9 degrees, a ring wider than
// its diameter, and a seed whose magnitude is 2147483647 or more (a degenerate stream).
void check_parameters(galtk::Run& run, const ComponentParameters& p);

}  // namespace mkcomponents
