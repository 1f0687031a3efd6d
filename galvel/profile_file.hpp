// The profile table of --profile: text, one header line per section starting with '#'.
//
//   # disk: R Sigma vc Omega kappa sigma_R sigma_phi sigma_z mean_vphi Q vc_disk vc_bulge vc_halo
//   ... one row per radius of the disk table ...
//   # bulge: r rho sigma          (when there is a bulge)
//   # halo: r rho sigma           (when there is a halo)
// A component's vc column is sign(vc^2) sqrt(|vc^2|): a ring pulls outwards inside it.
#pragma once

#include <filesystem>

#include "equilibrium.hpp"

namespace galtk::galvel {

// Writes through a temporary file in the same folder; returns an error text (empty on
// success).
std::string write_profile(const std::filesystem::path& path, const Outcome& outcome);

}  // namespace galtk::galvel
