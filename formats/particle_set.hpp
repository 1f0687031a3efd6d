// A model in memory: every particle's position, velocity, mass, type code and ID, plus
// what the toolkit's text header carries (time stamp, per-type softening lengths and
// masses). Structure of arrays: one contiguous float32 array per quantity, no
// per-particle allocation, so tens of millions of particles cost about 36 bytes each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "vec3.hpp"

namespace galtk {

struct ParticleSet {
    std::vector<Vec3> pos;
    std::vector<Vec3> vel;
    std::vector<float> mass;          // every particle's own mass, whatever the file held
    std::vector<std::int32_t> type;   // type code as the input file gave it
    std::vector<std::uint64_t> id;    // empty: the IDs are 1..N in order

    // The text header: `thead` and the per-type lists as many entries long as read
    // (empty when the input had none, as the binary formats).
    double time = 0.0;
    std::vector<float> softening;
    std::vector<float> type_mass;
    bool per_particle_mass = false;   // the text records carried an 8th item
    // Line 2 of the text header as read; none when the input had no text header (the
    // writer then derives one, see text_snapshot.hpp).
    std::optional<std::int32_t> ncomp;
    // BoxSize of a binary input (0: none, or a text input).
    double box_size = 0.0;

    std::size_t size() const { return pos.size(); }
    void resize(std::size_t n) {
        pos.resize(n);
        vel.resize(n);
        mass.resize(n);
        type.resize(n);
    }
};

}  // namespace galtk
