// Distances of a particle from the z axis and from the centre, in double.
#pragma once

#include <cmath>

#include "vec3.hpp"

namespace galtk::galvel {

inline double cylindrical_radius(const Vec3& p) { return std::sqrt(double(p.x) * p.x + double(p.y) * p.y); }

inline double spherical_radius(const Vec3& p) {
    return std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z);
}

}  // namespace galtk::galvel
