#include "disk_sampling.hpp"

#include <algorithm>
#include <cstddef>

#include "reserve.hpp"
#include "ran1.hpp"
#include "single_precision.hpp"

namespace diskgen {

namespace {

// A radius drawn uniformly in (0, rmax): R = u * rmax.
float draw_radius(const DiskShape& shape, std::int32_t& seed) {
    const float u = galtk::ran1(seed);
    return f32(d(u) * d(shape.rmax));
}

// A scaled height drawn uniformly in (0, zmax / hz): Z = (u / hz) * zmax, one formula.
float draw_scaled_height(const DiskShape& shape, std::int32_t& seed) {
    const float u = galtk::ran1(seed);
    return f32((d(u) / d(shape.hz)) * d(shape.zmax));
}

// A level drawn uniformly under the flat envelope: w = (max - min) * u + min. The level
// starts at the smallest density of the trials, not at 0, so a candidate of density f is
// accepted with probability (f - min) / (max - min): the sampled density is f - fmin.
// That is the defined behaviour (it keeps earlier files reproducible); it shows where
// fmin is large, e.g. the heights with zmax = hz, where fmin = sech^2(1) = 0.42.
float draw_level(float min, float max, std::int32_t& seed) {
    const float u = galtk::ran1(seed);
    return f32((d(max) - d(min)) * d(u) + d(min));
}

// An accepted radius: radius and level drawn in pairs until the level lies at or below
// the density (a density that is not a number accepts any level).
float accept_radius(const DiskShape& shape, const Envelope& env, std::int32_t& seed) {
    for (;;) {
        const float R = draw_radius(shape, seed);
        const float f = radial_density(shape, R);
        const float w = draw_level(env.rhmin, env.rhmax, seed);
        if (!(w > f)) return R;
    }
}

// An accepted scaled height, drawn in pairs like the radius.
float accept_scaled_height(const DiskShape& shape, const Envelope& env, std::int32_t& seed) {
    for (;;) {
        const float Z = draw_scaled_height(shape, seed);
        const float g = vertical_density(Z);
        const float w = draw_level(env.rhminz, env.rhmaxz, seed);
        if (!(w > g)) return Z;
    }
}

}  // namespace

float radial_density(const DiskShape& shape, float R) {
    // a: circumference 2 pi R of the ring at R.
    const float a = f32((d(pi) + d(pi)) * d(R));
    // b: the ring's share of the central surface density dmass k^2 / (2 pi).
    const float b = f32(((d(shape.k) * d(shape.k) * d(a) * d(shape.dmass)) / 2.0) / d(pi));
    // f: the exponential fall-off e^(-kR) applied to it.
    const float fall = exp_f(f32(-(d(shape.k) * d(R))));
    return f32(d(fall) * d(b));
}

float vertical_density(float Z) {
    // sech^2(Z) = 4 / (e^Z + e^-Z)^2, both exponentials rounded before the sum.
    const float em = exp_f(-Z);
    const float ep = exp_f(Z);
    const double sum = d(ep) + d(em);
    return f32(4.0 / (sum * sum));
}

Envelope estimate_envelope(const DiskShape& shape, std::int32_t& seed) {
    Envelope env;
    for (int trial = 0; trial <= 30000; ++trial) {
        const float R = draw_radius(shape, seed);
        const float Z = draw_scaled_height(shape, seed);
        const float f = radial_density(shape, R);
        const float g = vertical_density(Z);
        // Comparisons with a value that is not a number are false: it changes no bound.
        if (env.rhmin >= f) env.rhmin = f;
        if (f >= env.rhmax) env.rhmax = f;
        if (env.rhminz >= g) env.rhminz = g;
        if (g >= env.rhmaxz) env.rhmaxz = g;
    }
    return env;
}

std::vector<galtk::Vec3> draw_disk(const DiskShape& shape, const Envelope& env, std::int32_t numd,
                                std::int32_t& seed) {
    const std::size_t rows = static_cast<std::size_t>(std::max<std::int32_t>(numd, 1));
    std::vector<galtk::Vec3> x1;
    galtk::reserve_rows(x1, rows);
    // The draws of one particle are consumed in this order: radius pairs until one is
    // accepted, height pairs until one is accepted, the side, the azimuth.
    do {
        const float R = accept_radius(shape, env, seed);
        const float Z = accept_scaled_height(shape, env, seed);
        const float side = galtk::ran1(seed) > 0.5f ? 1.0f : -1.0f;  // u = 0.5 goes below
        const float z = f32(d(Z) * d(shape.hz) * d(side));
        const float phi = f32((d(pi) + d(pi)) * d(galtk::ran1(seed)));
        const float x = f32(d(R) * d(cos_f(phi)));
        const float y = f32(d(R) * d(sin_f(phi)));
        x1.push_back({x, y, z});
    } while (x1.size() < rows);
    return x1;
}

}  // namespace diskgen
