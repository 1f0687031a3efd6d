#include "softening.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include "single_precision.hpp"

namespace diskgen {

namespace {

constexpr int nbin = 100;

// Distance from the origin: the squares of x and y rounded and their sum rounded, the
// square of z rounded, then one rounding of the square root of the sum.
float distance(const galtk::Vec3& p) {
    const float xx = f32(d(p.x) * d(p.x));
    const float yy = f32(d(p.y) * d(p.y));
    const float zz = f32(d(p.z) * d(p.z));
    const float rr = f32(d(xx) + d(yy));
    return f32(std::sqrt(d(rr) + d(zz)));
}

// A real count raised by 1 for each of `n` particles: exact up to 2^24, where adding 1
// no longer changes a single-precision value.
float real_count(std::int64_t n) {
    constexpr std::int64_t saturation = std::int64_t{1} << 24;
    return static_cast<float>(n < saturation ? n : saturation);
}

using Radii = std::array<float, nbin + 1>;  // rbin(1) to rbin(100), entry 0 unused

// For radii that rise with j: the first j in 1..101 with rbin(j) >= r (101: none).
// The walk starts at ceil(r / dr), which the rounding of the radii puts within a step
// or two of the answer; odd bins (dr 0, infinite, subnormal) only lengthen the walk.
int first_bin_reaching(const Radii& rbin, float dr, float r) {
    const double q = std::ceil(d(r) / d(dr));
    int j = !(q >= 1.0) ? 1 : q > nbin + 1 ? nbin + 1 : static_cast<int>(q);
    while (j > 1 && rbin[j - 1] >= r) --j;
    while (j <= nbin && rbin[j] < r) ++j;
    return j;
}

}  // namespace

Softening estimate_softening(std::span<const galtk::Vec3> x1, float rmax) {
    // Bin j (1 to 100) reaches out to rbin(j) = j * dr.
    const float dr = f32(d(rmax) / 100.0);
    Radii rbin{};
    for (int j = 1; j <= nbin; ++j) rbin[j] = f32(static_cast<double>(j) * d(dr));

    // A particle counts in every bin j with rbin(j) >= r. Rounding is monotone, so the
    // radii rise with j (dr >= 0) or fall with j (dr < 0 or not a number: no radius
    // then reaches a distance, which is never below +0), and the bins that hold a
    // particle form one run: from some j0 outward, or from 1 up to some j1. Each
    // particle is entered once at the end of its run; the counts accumulate afterwards.
    const bool rising = dr >= 0.0f;
    std::array<std::int64_t, nbin + 2> starts{};
    for (const galtk::Vec3& p : x1) {
        const float r = distance(p);
        if (std::isnan(r)) continue;  // compares with no bin radius
        if (rising) {
            ++starts[first_bin_reaching(rbin, dr, r)];
        } else {
            int j1 = 0;
            while (j1 < nbin && rbin[j1 + 1] >= r) ++j1;
            ++starts[j1];
        }
    }
    std::array<float, nbin + 1> cbin{};
    std::int64_t running = 0;
    if (rising) {
        for (int j = 1; j <= nbin; ++j) { running += starts[j]; cbin[j] = real_count(running); }
    } else {
        for (int j = nbin; j >= 1; --j) { running += starts[j]; cbin[j] = real_count(running); }
    }

    Softening s;
    s.thalf = f32(d(cbin[nbin]) / 2.0);
    for (int j = 1; j <= nbin; ++j) {
        if (cbin[j] > s.thalf) { s.rhalf = rbin[j]; break; }
    }
    // The sphere of radius rhalf holds thalf particles; each occupies a cube of edge
    // rhalf * (4 pi / 3)^(1/3) / thalf^(1/3).
    const float third = 1.0f / 3.0f;
    const float c1 = pow_f(f32((d(pi) * 4.0) / 3.0), third);
    const float c2 = pow_f(s.thalf, third);
    s.soft = f32(d(s.rhalf) * d(c1) / d(c2));
    return s;
}

}  // namespace diskgen
