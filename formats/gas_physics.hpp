// The ideal gas of the hydrodynamics codes: the specific internal energy u of a fully
// ionised primordial gas and its temperature, u = k_B T / ((gamma - 1) mu m_p).
#pragma once

namespace galtk {

constexpr double boltzmann_cgs = 1.380649e-16;      // erg / K
constexpr double proton_mass_cgs = 1.67262192e-24;  // g
constexpr double hydrogen_fraction = 0.76;          // X, by mass
constexpr double gas_gamma = 5.0 / 3.0;             // adiabatic index of a monatomic gas
// Mean molecular weight of fully ionised hydrogen and helium: 4 / (8 - 5 (1 - X)) = 0.588.
constexpr double ionised_mean_molecular_weight = 4.0 / (8.0 - 5.0 * (1.0 - hydrogen_fraction));

// Kelvin per unit of u when u is in (velocity_cgs cm/s)^2: T = u * kelvin_per_energy.
constexpr double kelvin_per_energy(double velocity_cgs) {
    return (gas_gamma - 1.0) * ionised_mean_molecular_weight * proton_mass_cgs * velocity_cgs * velocity_cgs /
           boltzmann_cgs;
}

}  // namespace galtk
