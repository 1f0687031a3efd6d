// The whole computation of galvel on a model in memory: the field, the Jeans-moment
// profiles, the halo particles, the velocity draws and the energies.
#pragma once

#include <cstddef>
#include <optional>

#include "disk_table.hpp"
#include "particle_set.hpp"
#include "settings.hpp"
#include "sphere_table.hpp"

namespace galtk::galvel {

struct Outcome {
    std::size_t disk = 0, bulge = 0, halo = 0;   // particle counts
    double scale_length = 0.0;
    bool scale_length_estimated = true;
    double z0 = 0.0;
    double q_radius = 0.0;
    DiskTable disk_table;
    std::optional<SphereTable> bulge_table;
    std::optional<SphereTable> halo_table;
    double kinetic = 0.0;         // sum of m v^2 / 2
    double virial = 0.0;          // sum of m x . a (negative)
    std::size_t capped = 0;       // draws set to 0.95 v_esc after 64 tries above it
    double field_seconds = 0.0;   // time of the particles' field
    std::optional<PhysicalUnits> units;   // the settings' units, named in the summary and profile

    double q_at_reference() const { return disk_table.q_at_reference; }
};

// Checks the model against the settings (throws Refusal: no disk particle, a bulge
// larger than the model, non-finite positions or masses, a bad Q radius), then gives
// every particle its velocity, sets the type codes (disk 2, bulge 3, halo 1) and appends
// the halo particles. Positions, masses and order of the model are not changed.
Outcome give_velocities(ParticleSet& set, const Settings& settings);

}  // namespace galtk::galvel
