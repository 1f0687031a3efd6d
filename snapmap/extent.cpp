#include "extent.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace snapmap {

namespace {

double radius_of(const galtk::Vec3& p) {
    const double x = p.x, y = p.y, z = p.z;
    return std::sqrt(x * x + y * y + z * z);
}

}  // namespace

double mass_radius(const galtk::ParticleSet& model, double fraction) {
    const std::size_t n = model.size();
    double total = 0.0, rmax = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        total += model.mass[k];
        rmax = std::max(rmax, radius_of(model.pos[k]));
    }
    if (!(total > 0.0) || !(rmax > 0.0)) return 0.0;
    const double target = fraction * total;

    // Invariant: the mass within lo is below the target, the mass within hi reaches it
    // (up to the rounding of the sums); `below` is the mass within lo.
    constexpr int bins = 4096;
    std::vector<double> hist(bins);
    double lo = 0.0, hi = rmax, below = 0.0;
    for (int pass = 0; pass < 6 && hi - lo > hi * 1e-12; ++pass) {
        std::fill(hist.begin(), hist.end(), 0.0);
        const double scale = bins / (hi - lo);
        double at_lo = 0.0;  // mass at exactly lo on the first pass (particles at the origin)
        for (std::size_t k = 0; k < n; ++k) {
            const double r = radius_of(model.pos[k]);
            if (r <= lo) {
                if (pass == 0) at_lo += model.mass[k];
                continue;
            }
            if (r > hi) continue;
            const double b = std::ceil((r - lo) * scale) - 1.0;  // bin (lo + b h, lo + (b + 1) h]
            hist[static_cast<std::size_t>(std::clamp(b, 0.0, double(bins - 1)))] += model.mass[k];
        }
        if (pass == 0) {
            below = at_lo;
            if (below >= target) return 0.0;
        }
        const double width = (hi - lo) / bins;
        int b = 0;
        while (b < bins - 1 && below + hist[b] < target) below += hist[b++];
        const double new_lo = lo + b * width;
        hi = b == bins - 1 ? hi : lo + (b + 1) * width;
        lo = new_lo;
    }
    // The radius sought is that of a particle in (lo, hi]: the largest there, since the
    // interval has shrunk to the particles at that one radius.
    double r99 = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const double r = radius_of(model.pos[k]);
        if (r > lo && r <= hi) r99 = std::max(r99, r);
    }
    return r99 > 0.0 ? r99 : hi;
}

double round_up_two_digits(double x) {
    if (!(x > 0.0) || !std::isfinite(x)) return x;
    const double step = std::pow(10.0, std::floor(std::log10(x)) - 1.0);
    double r = std::ceil(x / step) * step;
    // ceil of a quotient that carries a rounding error above an exact integer
    if ((std::ceil(x / step) - 1.0) * step >= x) r -= step;
    return r;
}

float default_extent(const galtk::ParticleSet& model) {
    // Strictly above the radius: a particle at distance r99 on an axis of the image lies
    // at u = r99, and the maps cover [-L, L).
    const double r99 = mass_radius(model, 0.99);
    double r = round_up_two_digits(r99);
    if (r > 0.0 && r <= r99) r = round_up_two_digits(std::nextafter(r99, 2.0 * r99));
    // Rounding to float may fall below r: step up to keep the 99% inside.
    float l = static_cast<float>(r);
    if (static_cast<double>(l) < r) l = std::nextafter(l, 2.0f * l);
    return l;
}

}  // namespace snapmap
