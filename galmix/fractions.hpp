// The mass fraction of the disk and the checks on the fractions.
#pragma once

#include "run.hpp"
#include "run_parameters.hpp"

namespace galmix {

// Disk, bar, spiral and the two rings share a total of 1 (the bulge comes on top):
// fdisk = (((1 - fspi) - fbar) - fr1) - fr2, four single-precision subtractions in this
// order (0.1, 0.2, 0.05, 0.05 give 0.59999996, not the float nearest to 0.6).
float disk_fraction(const RunParameters& p);

// fdisk when it is positive (or NaN); otherwise prints "Error fdisk <0" and "fdisk" with
// the value, and gives 0.
float clamped_disk_fraction(galtk::Unit& console, float fdisk);

// Ends the run with a bare stop (status 0) after "Error:fnon ge 1.0" when the bar and
// the spiral take all the mass: fnon = fbar + fspi >= 1.
void stop_if_bar_and_spiral_take_all(galtk::Run& run, const RunParameters& p);

}  // namespace galmix
