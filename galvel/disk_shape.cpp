#include "disk_shape.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace galtk::galvel {

namespace {

double cylindrical(const Vec3& p) { return std::sqrt(double(p.x) * p.x + double(p.y) * p.y); }

// The mass-weighted median radius from a fine geometric histogram (2^12 bins over six
// decades below r_max), interpolated inside its bin.
double half_mass_radius(const ParticleSet& set, std::size_t n, double r_max) {
    constexpr int bins = 4096;
    const double lo = r_max * 1e-6;
    const double dlog = (std::log(r_max) - std::log(lo)) / bins;
    std::vector<double> mass(bins + 1, 0.0);   // bin 0: inside lo
    double total = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
        const double R = cylindrical(set.pos[j]);
        const double f = R > lo ? (std::log(R) - std::log(lo)) / dlog : -1.0;
        const int k = f < 0.0 ? 0 : std::min(bins, 1 + static_cast<int>(f));
        mass[k] += set.mass[j];
        total += set.mass[j];
    }
    double below = 0.0;
    for (int k = 0; k <= bins; ++k) {
        if (below + mass[k] >= 0.5 * total && mass[k] > 0.0) {
            const double inner = k == 0 ? 0.0 : lo * std::exp((k - 1) * dlog);
            const double outer = k == 0 ? lo : lo * std::exp(k * dlog);
            return inner + (0.5 * total - below) / mass[k] * (outer - inner);
        }
        below += mass[k];
    }
    return r_max;
}

}  // namespace

DiskShape measure_disk(const ParticleSet& set, std::size_t n) {
    DiskShape shape;
    std::vector<float> height(n);
    for (std::size_t j = 0; j < n; ++j) {
        shape.r_max = std::max(shape.r_max, cylindrical(set.pos[j]));
        height[j] = std::fabs(set.pos[j].z);
    }
    if (shape.r_max > 0.0) shape.r_half = half_mass_radius(set, n, shape.r_max);
    shape.scale_length = shape.r_half / half_mass_in_scale_lengths;
    // The median |z| of a sech^2(z / z0) layer is z0 atanh(1/2).
    const auto middle = height.begin() + static_cast<std::ptrdiff_t>(n / 2);
    std::nth_element(height.begin(), middle, height.end());
    shape.z0 = n > 0 ? *middle / std::atanh(0.5) : 0.0;
    return shape;
}

}  // namespace galtk::galvel
