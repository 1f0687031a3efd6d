// The type codes and the text header lists of the model galvel writes.
#pragma once

#include <cstddef>

#include "components.hpp"
#include "particle_set.hpp"

namespace galtk::galvel {

// Type codes of the galaxy convention of the N-body codes (GADGET's types): the default
// type map of the formats library then gives each component its own particle type.
inline constexpr std::int32_t disk_type = 2;
inline constexpr std::int32_t bulge_type = 3;
inline constexpr std::int32_t halo_type = 1;

// The codes the bulge and the halo are written with: 3 and 1, or the codes that named them.
struct ComponentCodes {
    std::int32_t bulge = bulge_type;
    std::int32_t halo = halo_type;
};

// Sets the type codes: disk population [0, r.disk_end()) 2, bulge up to r.bulge_end() and
// the halo (the file's up to r.model(), or the particles appended after it) their codes.
// When the set carries text header lists they are widened to four entries if shorter,
// and the entries of the three codes describe the components: the softening length of
// the particles' former type (the largest, if they had several; appended halo particles
// take the disk's) and the mass every particle of the component shares (0 when they
// differ or it has none). A code beyond the lists has no entry; other entries stay.
void relabel(ParticleSet& set, const ComponentRanges& r, const ComponentCodes& codes);

}  // namespace galtk::galvel
