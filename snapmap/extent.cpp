#include "extent.hpp"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace snapmap {

namespace {

// Squared distances order the particles as the distances do, without a square root.
double radius2_of(const galtk::Vec3& p) {
    const double x = p.x, y = p.y, z = p.z;
    return x * x + y * y + z * z;
}

constexpr int bins = 4096;
// A bracket holding at most this many particles is finished by sorting them.
constexpr std::size_t few = 4096;

}  // namespace

double mass_radius(const galtk::ParticleSet& model, double fraction) {
    const std::size_t n = model.size();
    double total = 0.0, r2max = 0.0, at_origin = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const double r2 = radius2_of(model.pos[k]);
        total += model.mass[k];
        r2max = std::max(r2max, r2);
        if (r2 == 0.0) at_origin += model.mass[k];
    }
    if (!(total > 0.0) || !(r2max > 0.0)) return 0.0;
    const double target = fraction * total;
    if (at_origin >= target) return 0.0;

    // Invariant: the particles with r^2 <= lo carry `below` < target, those with r^2 <= hi
    // reach the target. Each pass cuts (lo, hi] into equal bins of r^2 and keeps the bin
    // where the running mass reaches the target.
    double lo = 0.0, hi = r2max, below = at_origin;
    std::size_t in_bracket = n;
    std::vector<double> mass_in(bins);
    std::vector<std::size_t> count_in(bins);
    for (int pass = 0; pass < 6 && in_bracket > few && hi - lo > hi * 1e-12; ++pass) {
        std::fill(mass_in.begin(), mass_in.end(), 0.0);
        std::fill(count_in.begin(), count_in.end(), std::size_t{0});
        const double scale = bins / (hi - lo);
        for (std::size_t k = 0; k < n; ++k) {
            const double r2 = radius2_of(model.pos[k]);
            if (r2 <= lo || r2 > hi) continue;
            const double b = std::ceil((r2 - lo) * scale) - 1.0;  // bin (lo + b w, lo + (b + 1) w]
            const auto i = static_cast<std::size_t>(std::clamp(b, 0.0, double(bins - 1)));
            mass_in[i] += model.mass[k];
            ++count_in[i];
        }
        const double width = (hi - lo) / bins;
        int b = 0;
        while (b < bins - 1 && below + mass_in[b] < target) below += mass_in[b++];
        const double new_lo = lo + b * width;
        hi = b == bins - 1 ? hi : lo + (b + 1) * width;
        lo = new_lo;
        in_bracket = count_in[b];
    }

    // The particles left in (lo, hi], nearest first: the one whose mass reaches the target.
    std::vector<std::pair<double, float>> left;
    left.reserve(std::min(in_bracket, few));
    double r2_last = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const double r2 = radius2_of(model.pos[k]);
        if (r2 <= lo || r2 > hi) continue;
        r2_last = std::max(r2_last, r2);
        if (left.size() < few) left.emplace_back(r2, model.mass[k]);
    }
    if (left.size() < few) {
        std::sort(left.begin(), left.end());
        for (const auto& [r2, m] : left) {
            below += m;
            if (below >= target) return std::sqrt(r2);
        }
    }
    // Rounding of the sums, or a bracket too crowded to sort (particles at one distance).
    return std::sqrt(r2_last > 0.0 ? r2_last : hi);
}

double round_up_two_digits(double x) {
    if (!(x > 0.0) || !std::isfinite(x)) return x;
    const double step = std::pow(10.0, std::floor(std::log10(x)) - 1.0);
    double r = std::ceil(x / step) * step;
    // ceil of a quotient that carries a rounding error above an exact integer
    if ((std::ceil(x / step) - 1.0) * step >= x) r -= step;
    return r;
}

double extent_above(double r99) {
    // Strictly above the radius: a particle at distance r99 on an axis of the image lies
    // at u = r99, and the maps cover [-L, L).
    double r = round_up_two_digits(r99);
    if (r > 0.0 && r <= r99) r = round_up_two_digits(std::nextafter(r99, 2.0 * r99));
    // Rounding to float may fall below r: step up to keep the 99% inside.
    float l = static_cast<float>(r);
    if (static_cast<double>(l) < r) l = std::nextafter(l, 2.0f * l);
    return l;
}

float default_extent(const galtk::ParticleSet& model) {
    return static_cast<float>(extent_above(mass_radius(model, 0.99)));
}

}  // namespace snapmap
