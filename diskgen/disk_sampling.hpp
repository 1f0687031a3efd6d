// Rejection sampling of the disk: radii from an exponential disk, heights from a
// sech-squared profile, each against a flat envelope whose bounds come from trial draws.
#pragma once

#include <cstdint>
#include <vector>

#include "vec3.hpp"

namespace diskgen {

// The shape of the disk as the sampling uses it.
struct DiskShape {
    float dmass = 0.0f;  // scales the radial density (cancels out of the sampling)
    float rmax = 0.0f;
    float zmax = 0.0f;
    float hz = 0.0f;
    float k = 0.0f;      // inverse radial scale length, 1 / hr
};

// Flat envelopes of the two densities: the extremes seen in the trial draws, bounded by
// the start values (a minimum never rises above 1000, a maximum never falls below -1000).
struct Envelope {
    float rhmin = 1000.0f;
    float rhmax = -1000.0f;
    float rhminz = 1000.0f;
    float rhmaxz = -1000.0f;
};

// Mass per unit radius of an exponential disk, dmass k^2 R e^(-kR).
float radial_density(const DiskShape& shape, float R);
// The sech-squared profile of a scaled height Z = z / hz: 4 / (e^Z + e^-Z)^2.
float vertical_density(float Z);

// Envelope bounds from 30001 trials, each a radius and a scaled height.
Envelope estimate_envelope(const DiskShape& shape, std::int32_t& seed);

// Draws max(numd, 1) disk particles in order; every uniform deviate comes from `seed`.
std::vector<galtk::Vec3> draw_disk(const DiskShape& shape, const Envelope& env, std::int32_t numd,
                                std::int32_t& seed);

}  // namespace diskgen
