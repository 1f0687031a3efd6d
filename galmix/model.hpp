// The six components of a galaxy model as galmix holds them between reading and writing.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "vec3.hpp"

namespace galmix {

// The positions of one component; x and y span the disk plane.
using PositionList = std::vector<galtk::Vec3>;

// Header values of "di.dat" that the model's own header repeats.
struct DiskHeader {
    float thead = 0.0f;
    std::int32_t ncomp = 0;               // 0 .. max_ncomp (checked as read)
    std::array<float, 5> hpar{};          // softening length of each particle type
};
constexpr std::int32_t max_ncomp = 5;

// Particles written per component. A count may be set to 0 by the count rules while its
// list keeps the positions read.
struct ComponentCounts {
    std::int32_t num = 0;   // disk
    std::int32_t nbar = 0;  // bar
    std::int32_t nspi = 0;  // spiral arms
    std::int32_t nr1 = 0;   // inner ring
    std::int32_t nr2 = 0;   // outer ring
    std::int32_t nbu = 0;   // bulge
};

struct Model {
    DiskHeader header;
    ComponentCounts counts;
    PositionList disk, bar, spiral, inner_ring, outer_ring, bulge;
};

}  // namespace galmix
