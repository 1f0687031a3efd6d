// The one console line of a run: what was read, what was made, what was left out.
#pragma once

#include <string>

#include "binning.hpp"
#include "options.hpp"
#include "particle_set.hpp"

namespace snapmap {

struct ModelFacts {
    double total_mass = 0.0;
    double r99 = -1.0;            // radius holding 99% of the mass (before rounding); -1: not sought
    bool zero_velocities = false;
    std::size_t particles_read = 0;  // the file's particles, before --types kept some of them
};

// The 99% radius is sought only for the default extent (`need_radius`): it takes a few
// passes over the particles.
ModelFacts model_facts(const galtk::ParticleSet& model, bool need_radius, bool need_velocities);

// "length kpc, mass 1e10 Msun, velocity km/s": the usual names where the units are
// those, their values in cgs otherwise.
std::string units_text(const galtk::ModelUnits& units);

std::string summary_line(const Options& options, const galtk::ParticleSet& model, const ModelFacts& facts,
                         const Maps& maps);

}  // namespace snapmap
