// The order of particles in the binary formats, and the way back.
//
// GADGET and HDF5 files hold the particles grouped by type (all of type 0, then 1, ...),
// so a model whose types are interleaved is reordered on writing; its IDs are then the
// positions 1..N of the particles in the model. A reader that finds the IDs to be exactly
// a permutation of 1..N puts the particles back in ID order and keeps no IDs (they are
// implicit), so text -> binary -> text gives back the text order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "particle_set.hpp"
#include "type_map.hpp"

namespace galtk {

struct TypeOrder {
    std::vector<std::uint8_t> type;            // each particle's type 0..5, in model order
    std::array<std::uint64_t, particle_types> count{};
    std::vector<std::size_t> order;            // file position -> model index; empty: the same
    std::size_t at(std::size_t k) const { return order.empty() ? k : order[k]; }
};

// Types through the map; a code the map does not cover is a FormatError(1) naming the
// file, the particle and the option that fixes it.
TypeOrder order_by_type(const ParticleSet& set, const TypeMap& map, const std::string& file);

// The ID written for file position k: the set's own ID, else the model index + 1.
inline std::uint64_t id_at(const ParticleSet& set, const TypeOrder& order, std::size_t k) {
    const std::size_t i = order.at(k);
    return set.id.empty() ? i + 1 : set.id[i];
}
bool needs_64bit_ids(const ParticleSet& set);

// The particles that carry gas fields in a file: those of type 0 through the map (none
// when the set has no gas fields; codes the map does not cover are not gas).
std::size_t count_gas(const ParticleSet& set, const TypeMap& map);

// Puts the particles in ID order and clears the IDs when they are a permutation of 1..N.
void restore_id_order(ParticleSet& set);

}  // namespace galtk
