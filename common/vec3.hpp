// The one 3-vector of the toolkit: a position or a velocity in single precision.
// Three floats and nothing else, so an array of them is the interleaved x y z layout
// that the binary snapshot formats store (12 bytes a particle, no padding).
#pragma once

namespace galtk {

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    friend bool operator==(const Vec3&, const Vec3&) = default;
};

static_assert(sizeof(Vec3) == 3 * sizeof(float), "Vec3 must be three packed floats");

}  // namespace galtk
