// The run parameter set of galmix: the disk switch, the two scale factors and the
// structural records of "sh1.para" that the model uses.
#pragma once

#include <cstdint>

#include "unit.hpp"

namespace galmix {

struct RunParameters {
    std::int32_t idisk = 0;  // the disk particles are written only when this is exactly 1
    float rdisk = 0.0f;      // scale of disk, bar, spiral and rings (not the bulge)
    float rgal = 0.0f;       // scale of every component
    float fspi = 0.0f;       // mass fractions ...
    float fbul = 0.0f;       // (the bulge comes on top of the other five, which share 1)
    float bscale = 0.0f;     // factor of the bulge positions as they are read
    float fbar = 0.0f;
    float bara = 0.0f;       // bar ellipse semi-axes along the first and second coordinate
    float barb = 0.0f;
    float fr1 = 0.0f;
    float fr2 = 0.0f;
    float fdisk = 0.0f;      // derived: disk_fraction, clamped at 0
};

// Reads "galmix.para", "rdisk.para", "rgal.para" and the 21 one-value records of
// "sh1.para", in that order, one read each.
RunParameters read_run_parameters(galtk::Unit& galmix_para, galtk::Unit& rdisk_para, galtk::Unit& rgal_para,
                                  galtk::Unit& sh1);

}  // namespace galmix
