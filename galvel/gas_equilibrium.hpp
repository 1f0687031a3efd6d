// The gas disk within galvel's computation: its vertical equilibrium in the field of the
// model's particles and the analytic halo, and its own mid-plane field on the stars.
#pragma once

#include <cstddef>

#include "disk_table.hpp"
#include "field.hpp"
#include "gas_disk.hpp"
#include "halo.hpp"
#include "particle_set.hpp"
#include "settings.hpp"

namespace galtk::galvel {

// The field off the plane of everything but the gas: the model's field (field.hpp, the one
// the stars' vertical balance uses, each particle softened as its type's entry in the
// header, the halo analytic), copied. Phi(R, z) - Phi(R, 0) and dPhi/dz at the points.
VerticalField model_vertical_field(const ModelField& others, int threads);

// The gas disk's outer radius: --gas-rmax, or the stars' outermost radius.
double gas_outer_radius(const Settings& s, double stars_r_max);

// The gas's outward mid-plane acceleration at the table's radii into in.force_gas, its
// potential added to in.potential (the smooth disk as rings; G included).
void add_gas_field(const GasDisk& gas, DiskInputs& in, double G, int threads);

// vc^2 of everything at the gas's column radii from the finished disk table (gas
// included); beyond the table the particles' part falls as 1 / R, the halo's is exact.
std::vector<double> gas_circular_speeds(const GasDisk& gas, const DiskTable& t, const AnalyticHalo& halo, double G);

}  // namespace galtk::galvel
