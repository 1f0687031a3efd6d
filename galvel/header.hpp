// The type codes and the text header lists of the model galvel writes.
#pragma once

#include <cstddef>

#include "particle_set.hpp"

namespace galtk::galvel {

// Type codes of the galaxy convention of the N-body codes (GADGET's types): the default
// type map of the formats library then gives each component its own particle type.
inline constexpr std::int32_t disk_type = 2;
inline constexpr std::int32_t bulge_type = 3;
inline constexpr std::int32_t halo_type = 1;

// Sets the type codes (disk population [0, n_disk), bulge [n_disk, n_model), halo
// after). When the set carries text header lists they are widened to four entries if
// shorter, and the entries of types 1, 2, 3 describe the new components: the softening
// length of the particles' former type (the largest, if they had several; the halo takes
// the disk's) and the mass every particle of the type shares (0 when they differ or the
// type has none). Other entries stay.
void relabel(ParticleSet& set, std::size_t n_disk, std::size_t n_model);

}  // namespace galtk::galvel
