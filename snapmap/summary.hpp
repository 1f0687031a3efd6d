// The one console line of a run: what was read, what was made, what was left out.
#pragma once

#include <string>

#include "binning.hpp"
#include "options.hpp"
#include "particle_set.hpp"

namespace snapmap {

struct ModelFacts {
    double total_mass = 0.0;
    double r99 = 0.0;             // radius holding 99% of the mass (before rounding)
    bool zero_velocities = false;
};

ModelFacts model_facts(const galtk::ParticleSet& model, bool need_velocities);

std::string summary_line(const Options& options, const galtk::ParticleSet& model, const ModelFacts& facts,
                         const Maps& maps);

}  // namespace snapmap
