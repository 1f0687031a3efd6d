// The profile table of --profile: text, one header line per section starting with '#'.
//
//   # units: length kpc, mass ..., G 43007.1   (when the model has physical units)
//   # disk: R Sigma vc Omega kappa sigma_R sigma_phi sigma_z mean_vphi Q vc_disk vc_bulge vc_halo
//   ... one row per radius of the disk table ...
//   # bulge: r rho sigma          (when there is a bulge)
//   # halo: r rho sigma           (when there is a halo)
// A component's vc column is sign(vc^2) sqrt(|vc^2|): a ring pulls outwards inside it.
#pragma once

#include <filesystem>

#include "equilibrium.hpp"
#include "output_file.hpp"

namespace galtk::galvel {

// Writes the table into `out` (the caller commits it, together with the model); throws
// FormatError when a write fails.
void write_profile(OutputFile& out, const Outcome& outcome);

}  // namespace galtk::galvel
