// The gas's equation of state.
//
// Isothermal: P = c^2 rho with c the isothermal sound speed. Polytrope of index gamma_p:
// P = K rho^gamma_p, K normalised so that P / rho = c^2 at a reference density (the
// mid-plane density at the gas scale length). The specific internal energy handed to the
// hydrodynamics code is that of an ideal gas of adiabatic index 5/3 with this pressure:
// u = P / ((5/3 - 1) rho) (isothermal: u = 1.5 c^2).
//
// A temperature T in kelvin becomes c^2 = k_B T / (mu m_p), mu = 4 / (8 - 5 (1 - X))
// of a fully ionised primordial gas with hydrogen mass fraction X = 0.76 (mu = 0.588; 10^4 K
// is c = 11.85 km/s, u = 210.5 (km/s)^2 with mu = 4 / 6.8 exactly).
#pragma once

#include <cmath>

namespace galtk::galvel {

inline constexpr double adiabatic_index = 5.0 / 3.0;
inline constexpr double hydrogen_fraction = 0.76;
inline constexpr double boltzmann_cgs = 1.380649e-16;     // erg / K
inline constexpr double proton_mass_cgs = 1.67262192e-24; // g

inline constexpr double mean_molecular_weight() { return 4.0 / (8.0 - 5.0 * (1.0 - hydrogen_fraction)); }

// c^2 in (cm/s)^2 of gas at temperature T (kelvin).
inline double sound_speed_squared_cgs(double T) {
    return boltzmann_cgs * T / (mean_molecular_weight() * proton_mass_cgs);
}

class GasEos {
public:
    GasEos() = default;
    // gamma_p 1 is isothermal.
    GasEos(double c2, double gamma_p) : c2_(c2), gamma_(gamma_p) {}

    bool isothermal() const { return gamma_ == 1.0; }
    double gamma() const { return gamma_; }
    double c2() const { return c2_; }

    // Sets K so that P / rho = c^2 at rho_ref (no effect on an isothermal gas).
    void normalise(double rho_ref) { rho_ref_ = rho_ref; }

    // P / rho at density rho.
    double pressure_over_density(double rho) const {
        return isothermal() ? c2_ : c2_ * std::pow(rho / rho_ref_, gamma_ - 1.0);
    }
    double internal_energy(double rho) const { return pressure_over_density(rho) / (adiabatic_index - 1.0); }

    // The density at height where the potential lies dphi above the mid-plane's, for
    // mid-plane density rho0: hydrostatic equilibrium dP / rho = -dPhi, i.e.
    //   isothermal: rho0 exp(-dphi / c^2)
    //   polytrope:  rho0 (1 - dphi / w0)^(1 / (gamma_p - 1)), w0 = gamma_p / (gamma_p - 1) P0 / rho0
    //               (the mid-plane enthalpy), 0 where dphi >= w0.
    double density(double rho0, double dphi) const {
        if (isothermal()) return rho0 * std::exp(-dphi / c2_);
        const double w0 = gamma_ / (gamma_ - 1.0) * pressure_over_density(rho0);
        const double t = 1.0 - dphi / w0;
        return t > 0.0 ? rho0 * std::pow(t, 1.0 / (gamma_ - 1.0)) : 0.0;
    }

private:
    double c2_ = 1.0;
    double gamma_ = 1.0;
    double rho_ref_ = 1.0;
};

}  // namespace galtk::galvel
