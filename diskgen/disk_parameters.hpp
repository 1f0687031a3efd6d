// Inputs of the disk generator: "si2.para" (disk mass, radius and height limits, scale
// height, disk count) and "si1.dat" (reference fraction, scale length, reference count),
// and the disk count derived from them.
#pragma once

#include <cstdint>

#include "run.hpp"
#include "unit.hpp"

namespace diskgen {

struct DiskParameters {
    float dmass = 0.0f;   // mass of the whole particle set
    float rmax = 0.0f;    // radii are drawn in (0, rmax); outer edge of the radial bins
    float zmax = 0.0f;    // heights are drawn in (-zmax, zmax)
    float hz = 0.0f;      // vertical scale height of the sech-squared profile
    std::int32_t numd = 0;  // number of disk particles to draw
    float fref = 0.0f;    // mass fraction of the reference particle set
    float hr = 0.0f;      // radial scale length (first read from "si2.para", then replaced)
    std::int32_t nref = 0;  // number of particles of the reference set
};

// Reads "si2.para" records 1 to 4, then "si1.dat" records 1 to 3, one read each.
DiskParameters read_parameters(galtk::Unit& si2, galtk::Unit& si1);

// The disk count: record 4 of "si2.para" when fref is exactly 0, otherwise
// ((1 - fref) * nref) / fref rounded to single precision and truncated, so that disk
// and reference particles weigh the same. A negative count, or a quotient that is not
// a number or beyond the integer range, is refused.
std::int32_t derive_numd(galtk::Run& run, const DiskParameters& p);

}  // namespace diskgen
