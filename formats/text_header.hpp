// The header of a text snapshot as the text writer writes it: ncomp, the softening and
// type-mass lists, and whether records carry an eighth item (the particle's mass). The
// binary writers compare the header of the model they were given with the header the
// model read back from their file would get, to tell the user what their format lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "particle_set.hpp"

namespace galtk {

inline constexpr std::size_t header_entries_max = 64;  // entries of a header list line

struct TextHeader {
    std::int32_t ncomp = 4;
    std::vector<float> softening;
    std::vector<float> type_mass;
    bool eight_items = false;
};

// Per type code 0..entries-1: the mass every particle of that code has (bit for bit), 0
// when the code has no particle or its particles' masses differ.
std::vector<float> shared_mass_per_code(std::span<const std::int32_t> type, std::span<const float> mass,
                                        std::size_t entries);

// Whether every particle's mass is the list entry of its code, bit for bit.
bool masses_match_header(std::span<const std::int32_t> type, std::span<const float> mass,
                         std::span<const float> type_mass);

// The header written for a set that did not come from a text snapshot (see
// text_snapshot.hpp): `type` and `mass` the particles', `softening` and `type_mass` the
// lists the set carries (empty when it has none).
TextHeader derive_text_header(std::span<const std::int32_t> type, std::span<const float> mass,
                              std::span<const float> softening, std::span<const float> type_mass);

// The header write_text_snapshot writes for `set`: as read, or derived.
TextHeader text_header_of(const ParticleSet& set);

// What of `before` comes back as `after`, for a line to the user: "softenings 0.05 0.0937
// come back as 0 0; ..." naming only what differs; empty when nothing does.
std::string header_difference(const TextHeader& before, const TextHeader& after);

}  // namespace galtk
