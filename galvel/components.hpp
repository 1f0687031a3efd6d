// Which particles of a model are the disk population, the bulge and a live halo it
// already holds: by position (--bulge N, the last N particles) or by type code
// (--bulge-type, --halo-type, wherever those particles are in the file).
//
// The physics works on contiguous ranges (disk population, then bulge, then halo), so a
// model whose components are named by type is grouped into that order for the run,
// stably (each component keeps the file's order within itself), and put back into the
// file's order afterwards. A model whose bulge is its last particles and whose halo, if
// any, is appended is already in that order: grouping it changes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "particle_set.hpp"

namespace galtk::galvel {

struct ComponentRanges {
    std::size_t disk = 0;    // [0, disk) the disk population
    std::size_t bulge = 0;   // [disk, disk + bulge) the bulge
    std::size_t halo = 0;    // [disk + bulge, disk + bulge + halo) a halo held by the file
    std::size_t disk_end() const { return disk; }
    std::size_t bulge_end() const { return disk + bulge; }
    std::size_t model() const { return disk + bulge + halo; }
};

// How the components are named: a count of last particles, or type codes.
struct ComponentChoice {
    std::size_t bulge_last = 0;                 // --bulge N
    std::optional<std::int32_t> bulge_type;     // --bulge-type T
    std::optional<std::int32_t> halo_type;      // --halo-type T
    bool by_type() const { return bulge_type.has_value() || halo_type.has_value(); }
};

// The file's order of the particles moved by group_components: order[k] is the file
// index of the particle the run holds at k. Empty: nothing was moved.
using FileOrder = std::vector<std::size_t>;

// Finds the components and, when they are named by type, groups the set into
// disk, bulge, halo order. Throws Refusal when a named type has no particle or when
// --bulge asks for more particles than the model has.
ComponentRanges group_components(ParticleSet& set, const ComponentChoice& choice, FileOrder& order);

// Puts the first order.size() particles back into the file's order (every per-particle
// array the set carries); particles after them (added by the run) stay where they are.
void restore_file_order(ParticleSet& set, const FileOrder& order);

}  // namespace galtk::galvel
