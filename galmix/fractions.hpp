// The mass fraction of the disk and the checks on the fractions.
#pragma once

#include "run.hpp"
#include "run_parameters.hpp"

namespace galmix {

// Derives fdisk, prints "fdisk" (after "Error fdisk <0" and a clamp to 0 when it is not
// positive), drops the inner ring's fraction when there is no bar, and ends the run with
// a bare stop after "Error:fnon ge 1.0" when the bar and the spiral take all the mass.
void check_fractions(galtk::Run& run, RunParameters& p);

}  // namespace galmix
