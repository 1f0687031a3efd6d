// The particles whose orbits --check follows: every particle of the disk population,
// bulge and halo (not the gas, which pressure holds up and a frozen field alone would
// not), or, in a larger model, a sample of `wanted` evenly spaced in particle order within
// each component, each component in proportion to its count. The choice depends only on
// the counts, so the same model gives the same sample.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "orbits.hpp"
#include "particle_set.hpp"

namespace galtk::galvel {

enum class Component : std::uint8_t { disk, bulge, halo };
inline constexpr int component_count = 3;
const char* component_name(Component c);

struct CheckSample {
    std::vector<Orbit> orbits;
    std::vector<double> mass;
    std::vector<Component> component;
    std::array<std::size_t, component_count> taken{};   // per component, in the sample
    std::array<std::size_t, component_count> in_model{};
    std::size_t size() const { return orbits.size(); }
    bool has(Component c) const { return taken[static_cast<int>(c)] > 0; }
};

inline constexpr std::size_t default_check_sample = 100000;

// By type code: disk 2, bulge 3, halo 1 (as galvel writes them); other types are left out.
CheckSample pick_sample(const ParticleSet& set, std::size_t wanted = default_check_sample);

}  // namespace galtk::galvel
