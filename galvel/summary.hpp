// galvel's summary line and its hint on coincident particles.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "coincident.hpp"
#include "equilibrium.hpp"
#include "header.hpp"
#include "halo.hpp"
#include "particle_set.hpp"
#include "settings.hpp"

namespace galtk::galvel {

struct Handover {
    std::string output;
    const char* format = "";
    std::size_t coincident = 0;
    std::optional<JitterResult> jitter;
};

std::string summary_line(const Outcome& o, const AnalyticHalo& halo, const Handover& h);

// Empty when no particles coincide (or --jitter moved them apart).
std::string coincident_hint(const Handover& h);

// The note a written model carries when its velocities assume the analytic halo of the
// settings and it holds no halo particles; kind none otherwise.
AnalyticHaloNote unheld_halo(const Settings& s, const Outcome& o);

// Halo particles heavier than the disk's by more than this factor heat the disk: energy
// flows from the heavy particles to the light ones in their encounters (mass
// segregation), thickening the disk within a few rotations.
inline constexpr double heavy_halo_factor = 2.0;

// The number of halo particles that gives them the disk population's mean particle
// mass (type 2 after galvel): the halo's mass over it, rounded up; 0 without a disk mass.
std::size_t equal_mass_count(const ParticleSet& set, double halo_mass);

// A thin disk puts well under this share of its mass at |z| > R (the example's disk: 0.6%),
// a round component 29% (isotropic directions): above it, the disk population looks like it
// holds a spherical component galvel was not told about.
inline constexpr double round_share_limit = 0.02;

// The hint when more than round_share_limit of the mass of the disk population (particles
// [0, n_disk)) lies at |z| > R, naming --bulge; else empty.
std::string round_component_hint(const ParticleSet& set, std::size_t n_disk);

// The same for a model galvel has written: its disk population is the particles of type 2,
// wherever they are (the bulge and a halo named by type keep their places in the file).
std::string round_component_hint(const ParticleSet& set);

// The hint when the mean mass of the halo's particles (type `halo_code`) is more than
// heavy_halo_factor times the disk's (type 2), naming the equal-mass count; else empty.
// `held`: the halo came with the model (--halo-type), so the remedy is a new halo of that
// count rather than --halo-particles.
std::string heavy_halo_hint(const ParticleSet& set, std::int32_t halo_code = halo_type, bool held = false);

}  // namespace galtk::galvel
