#include "ring_field.hpp"

#include <algorithm>
#include <numbers>
#include <thread>

#include "elliptic.hpp"

namespace galtk::galvel {

RingField::RingField(const RingGridShape& shape)
    : mass_(static_cast<std::size_t>(radial_nodes) * height_nodes, 0.0) {
    const double r_max = shape.r_max > 0.0 ? shape.r_max : 1.0;
    const double dr = r_max / (radial_nodes - 1);
    inv_dr_ = 1.0 / dr;
    // Fine steps of one radial step near the plane, growing geometrically above a few.
    s_ = dr;
    const double u_max = std::asinh(std::max(shape.zeta_max, dr) / s_);
    du_ = u_max / (height_nodes - 1);
    inv_s_ = 1.0 / s_;
    inv_du_ = 1.0 / du_;
}

namespace {

struct Ring {
    double a;
    double zeta2;
    double mass;
};

// Field of unit-G rings at radius R; accumulates force and potential.
void sum_rings(const std::vector<Ring>& rings, double R, double& force, double& potential) {
    double f = 0.0;
    double p = 0.0;
    for (const Ring& ring : rings) {
        const double a = ring.a;
        const double sum = R + a;
        const double diff = R - a;
        const double D2 = sum * sum + ring.zeta2;
        const double near2 = diff * diff + ring.zeta2;
        const double D = std::sqrt(D2);
        const auto ke = elliptic_ke(4.0 * a * R / D2, near2 / D2);
        p -= ring.mass * ke.K / D;
        f += ring.mass / D * ((a * a - R * R + ring.zeta2) / near2 * ke.E - ke.K);
    }
    force = f / (std::numbers::pi * R);
    potential = 2.0 * p / std::numbers::pi;
}

}  // namespace

void RingField::evaluate(const std::vector<double>& radii, std::vector<double>& force,
                         std::vector<double>& potential, int threads) const {
    std::vector<Ring> rings;
    const double floor2 = floor_softening() * floor_softening();
    const double dr = 1.0 / inv_dr_;
    for (int i = 0; i < radial_nodes; ++i)
        for (int k = 0; k < height_nodes; ++k) {
            const double m = mass_[static_cast<std::size_t>(i) * height_nodes + k];
            if (m == 0.0) continue;
            const double zeta = s_ * std::sinh(k * du_);
            rings.push_back({i * dr, std::max(zeta * zeta, floor2), m});
        }
    const std::size_t n = radii.size();
    force.assign(n, 0.0);
    potential.assign(n, 0.0);
    auto work = [&](std::size_t first, std::size_t stride) {
        for (std::size_t j = first; j < n; j += stride) sum_rings(rings, radii[j], force[j], potential[j]);
    };
    const std::size_t workers = static_cast<std::size_t>(std::clamp(threads, 1, 64));
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < workers; ++t) pool.emplace_back(work, t, workers);
    work(0, workers);
    for (auto& thread : pool) thread.join();
}

}  // namespace galtk::galvel
