// What galvel is asked to do, once the options are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "gas_parameters.hpp"
#include "halo.hpp"
#include "units.hpp"
#include "vertical_jeans.hpp"

namespace galtk::galvel {

// How bulge and halo particles get their velocities: Gaussian draws of the isotropic
// Jeans dispersion, or speeds from the distribution function f(E) (Eddington's formula).
enum class SphericalMethod { moments, eddington };

struct Settings {
    std::size_t bulge = 0;                  // the last `bulge` particles are the bulge
    std::optional<std::int32_t> bulge_type;  // or every particle of this type code
    std::optional<std::int32_t> halo_type;   // a live halo in the model: every particle of this type
    HaloParameters halo;
    std::size_t halo_particles = 0;
    double q = 1.5;
    std::optional<double> q_radius;          // default 2.43 scale lengths
    std::optional<double> scale_length;      // default estimated from Sigma(R)
    double G = 1.0;                          // --G, or the G of `units`
    std::optional<PhysicalUnits> units;      // none: model units (no physical scale)
    VerticalRule vertical = VerticalRule::jeans;   // sigma_z: Jeans equation or isothermal sheet
    std::int32_t seed = 1;
    int threads = 1;                         // --threads, or the CPUs of the affinity mask
    GasParameters gas;
    double gas_c2 = 0.0;                     // the gas's sound speed squared, velocity unit
    SphericalMethod spherical = SphericalMethod::eddington;
    double halo_outer = 0.0;                 // Hernquist taper's edge; 0: 100 a
    double halo_decay = 0.0;                 // the taper's decay length; 0: a tenth of the edge
};

// Toomre's Q is set at this many scale lengths unless --q-radius says otherwise
// (8.5 kpc in a disk of 3.5 kpc).
inline constexpr double default_q_radius = 2.43;

}  // namespace galtk::galvel
