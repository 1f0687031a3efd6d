// The whole computation of galvel on a model in memory: the field, the Jeans-moment
// profiles, the halo particles, the velocity draws and the energies.
#pragma once

#include <cstddef>
#include <optional>

#include "disk_table.hpp"
#include "field.hpp"
#include "header.hpp"
#include "gas_disk.hpp"
#include "gas_particles.hpp"
#include "eddington.hpp"
#include "particle_set.hpp"
#include "settings.hpp"
#include "sphere_table.hpp"
#include "vertical_jeans.hpp"

namespace galtk::galvel {

// What the distribution function of a spherical component left to say.
struct SphericalReport {
    NegativeRange negative;     // where f < 0 was set to 0
    std::size_t affected = 0;   // particles whose energy range reaches it (psi(r) > its lowest E)
    std::size_t unsettled = 0;  // particles left at rest: f is 0 at every energy they can have
};

struct Outcome {
    std::size_t disk = 0, bulge = 0, halo = 0;   // particle counts
    bool halo_in_model = false;   // the halo is particles the model held (--halo-type), not drawn
    ComponentCodes codes;         // the type codes bulge and halo are written with
    double scale_length = 0.0;
    bool scale_length_estimated = true;
    double z0 = 0.0;
    double q_radius = 0.0;
    DiskTable disk_table;           // its sigma_z is the one drawn (sheet or Jeans)
    std::vector<double> sigma_z_sheet;   // pi G Sigma z0 at the table's radii
    VerticalBalance vertical;            // Jeans values and nu at the table's radii
    std::optional<ModelField> field;     // the model's field: particles (softened) and halo
    std::optional<SphereTable> bulge_table;
    std::optional<SphereTable> halo_table;
    double kinetic = 0.0;         // sum of m v^2 / 2, and the gas's thermal energy (gas_energy.hpp)
    double virial = 0.0;          // sum of m x . a (negative)
    std::size_t capped = 0;       // draws set to 0.95 v_esc after 64 tries above it
    double field_seconds = 0.0;   // time of the particles' field
    std::optional<PhysicalUnits> units;   // the settings' units, named in the summary and profile
    std::optional<GasDisk> gas;   // the gas disk's equilibrium, when there is one
    std::size_t gas_count = 0;
    std::size_t gas_first = 0;    // index of the first gas particle in the model written
    double gas_seconds = 0.0;        // the gas's vertical equilibrium
    double neighbour_seconds = 0.0;  // the smoothing lengths (beside the stars' draws)
    double gas_wait_seconds = 0.0;   // the wait for the gas particles after the stars' draws
    SphericalMethod spherical = SphericalMethod::eddington;
    HaloParameters halo_parameters;          // the halo as used, its taper included
    std::optional<DistributionFunction> bulge_f, halo_f;
    SphericalReport bulge_report, halo_report;

    double q_at_reference() const { return disk_table.q_at_reference; }
};

// Checks the model against the settings (throws Refusal: no disk particle, a bulge
// larger than the model, a named type no particle has, non-finite positions or masses, a
// bad Q radius), then gives every particle its velocity, sets the type codes (disk 2,
// bulge 3, halo 1, or the codes that named bulge and halo) and appends the halo
// particles. Positions, masses and order of the model are not changed. A gas disk is
// solved in the field of everything, drawn and put after the model's particles, before
// the halo's.
Outcome give_velocities(ParticleSet& set, const Settings& settings);

}  // namespace galtk::galvel
