// The shapes of the components: each draws one position from uniform deviates of ran1,
// in a fixed order of draws, all in single precision. The functions are the C library's
// float ones (expf, logf, sinf, cosf, tanf, cbrtf; sqrtf is exact): the files are the
// same bit for bit wherever the C library is the same; another library may round some
// results differently in the last place.
//
// Draw order per position (every u a fresh ran1 call on the one seed of the run):
//   bulge   u radius, u cos(polar angle), u azimuth
//   arms    u along the arm, u across the arm, u height
//   ring    u radius, u azimuth, u height
//   sphere  u radius, u cos(polar angle), u azimuth
#pragma once

#include <cstdint>

#include "vec3.hpp"

namespace mkcomponents {

// Spherical Hernquist bulge, M(<r)/M = r^2/(r + abu)^2, truncated at rbumax: the
// inverse of the truncated cumulative mass, r = abu s/(1 - s) with s = sqrt(u) q and
// q = rbumax/(rbumax + abu), so every draw falls inside rbumax without redraws.
class HernquistBulge {
public:
    HernquistBulge(float abu, float rbumax);
    galtk::Vec3 draw(std::int32_t& seed) const;

private:
    float abu_;
    float rbumax_;
    float q_;
};

// Two logarithmic arms r = rin exp(theta tan(pitch)) in the disk plane, the second
// turned by 180 degrees, for rin <= r <= rout. Positions are uniform in theta (a line
// density falling as 1/r), spread uniformly over `width` measured perpendicular to the
// arm (an azimuthal offset of width/sin(pitch) in arc length, so the radius stays on
// [rin, rout]), with a sech-squared height of scale hz.
class SpiralArms {
public:
    SpiralArms(float rin, float rout, float pitch_degrees, float width, float hz);
    // arm 0 or 1
    galtk::Vec3 draw(std::int32_t& seed, int arm) const;

private:
    float rin_;
    float rout_;
    float log_ratio_;      // ln(rout/rin)
    float tan_pitch_;
    float across_;         // width / sin(pitch): the arc length over which the arm spreads
    float hz_;
};

// A thin annulus of uniform surface density between radius - width/2 and
// radius + width/2 in the disk plane, with a sech-squared height of scale hz.
class Ring {
public:
    Ring(float radius, float width, float hz);
    galtk::Vec3 draw(std::int32_t& seed) const;

private:
    float inner_sq_;   // (radius - width/2)^2
    float span_sq_;    // (radius + width/2)^2 - (radius - width/2)^2
    float inner_;
    float outer_;
    float hz_;
};

// Uniform density inside a sphere: r = radius cbrt(u), isotropic direction.
class UniformSphere {
public:
    explicit UniformSphere(float radius);
    galtk::Vec3 draw(std::int32_t& seed) const;

private:
    float radius_;
};

}  // namespace mkcomponents
