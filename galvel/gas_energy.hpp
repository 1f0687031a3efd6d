// The gas disk's part of the energies and of the Clausius virial (energy.hpp).
//
// For a gas of adiabatic index 5/3 the virial theorem reads 2 (K_bulk + K_thermal) + W = 0
// with K_thermal = (3/2) int P dV = sum m (3/2) P / rho = sum m u. So the gas counts
//   K = sum m (v^2 / 2 + u)
//   W = sum m x . a = sum m (R a_R + z a_z), R a_R = -vc^2(R) (the mid-plane field of
//       everything, the gas included), and the vertical part by the columns' hydrostatic
//       balance dP/dz = rho a_z: int rho z a_z dz = -int P dz, i.e. sum m z a_z = -sum m P / rho
//       = -(2/3) sum m u.
// In equilibrium the rotation's deficit vc^2 - v_phi^2 = -(R / rho) dP/dR makes up the
// radial pressure, 2 int P dV, and 2K + W = 0 holds for the gas alone.
#pragma once

#include <functional>

#include "energy.hpp"
#include "gas_particles.hpp"

namespace galtk::galvel {

// vc2(R): R |a_R| in the mid-plane at cylindrical radius R.
Energies gas_energies(const GasParticles& gas, const std::function<double(double)>& vc2);

// The gas layer's vertical pull on a star at (R, z), as a plane-parallel layer of its
// column (the column is far thinner than its scale length): -2 pi G Sigma(R) F(|z|) sign z,
// F the fraction of the column's upper half below |z| (G included).
double gas_layer_a_z(const GasDisk& disk, double G, double R, double z);

}  // namespace galtk::galvel
