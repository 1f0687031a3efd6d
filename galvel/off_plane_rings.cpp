#include "off_plane_rings.hpp"

#include <algorithm>
#include <numbers>
#include <thread>

#include "elliptic.hpp"

namespace galtk::galvel {

namespace {

constexpr int height_nodes = 2 * OffPlaneRings::half_height_nodes + 1;

struct Ring {
    double a, z, eps2, mass;
};

struct RingSum {
    double phi = 0.0, dphi_dz = 0.0;
};

// Unit-G sums of rings [first, last) at (R, z), without the factor 2 / pi.
void add_rings(const Ring* first, const Ring* last, double R, double z, RingSum& s) {
    for (const Ring* ring = first; ring != last; ++ring) {
        const double dz = z - ring->z;
        const double h2 = dz * dz + ring->eps2;
        const double sum = R + ring->a, diff = R - ring->a;
        const double D2 = sum * sum + h2;
        const double d2 = diff * diff + h2;
        const double D = std::sqrt(D2);
        const auto ke = elliptic_ke(4.0 * ring->a * R / D2, d2 / D2);
        s.phi -= ring->mass * ke.K / D;
        s.dphi_dz += ring->mass * dz * ke.E / (D * d2);
    }
}

// The occupied cells as rings in blocks of `block` radial nodes, each block also as
// coarse rings (one a height node, at the block's mass-weighted radius) for the field
// points at least two blocks away.
struct BlockedRings {
    static constexpr int block = 8;
    static constexpr int near = 2;
    std::vector<Ring> fine, coarse;
    std::vector<std::size_t> fine_start, coarse_start;   // per block, and one past the end

    RingSum sum(double R, double z, double dr) const {
        RingSum s;
        const int blocks = static_cast<int>(fine_start.size()) - 1;
        const int home = std::min(static_cast<int>(R / dr) / block, blocks - 1);
        for (int b = 0; b < blocks; ++b) {
            const bool is_near = b >= home - near && b <= home + near;
            const std::vector<Ring>& rings = is_near ? fine : coarse;
            const std::vector<std::size_t>& start = is_near ? fine_start : coarse_start;
            add_rings(rings.data() + start[b], rings.data() + start[b + 1], R, z, s);
        }
        s.phi *= 2.0 / std::numbers::pi;
        s.dphi_dz *= 2.0 / std::numbers::pi;
        return s;
    }
};

}  // namespace

OffPlaneRings::OffPlaneRings(double r_max, double z_max, double s)
    : dr_((r_max > 0.0 ? r_max : 1.0) / (radial_nodes - 1)),
      mass_(static_cast<std::size_t>(radial_nodes) * height_nodes, 0.0) {
    s_ = s > 0.0 ? s : dr_;
    du_ = std::asinh(std::max(z_max, s_) / s_) / half_height_nodes;
}

// Softened by half the local vertical step: a field point between two layers of nodes
// sees them as the continuous mass they stand for.
double OffPlaneRings::vertical_eps2(int k) const {
    const double half = 0.25 * (node_height(std::min(k + 1, height_nodes - 1)) - node_height(std::max(k - 1, 0)));
    return half * half;
}

int OffPlaneRings::height_index(double z, double& w) const {
    double f = std::asinh(z / s_) / du_ + half_height_nodes;
    f = std::clamp(f, 0.0, height_nodes - 1.000001);
    const int k = static_cast<int>(f);
    // Weights linear in z between the nodes, which keeps each particle's height on average.
    const double lo = node_height(k), hi = node_height(k + 1);
    w = std::clamp((z - lo) / (hi - lo), 0.0, 1.0);
    return k;
}

void OffPlaneRings::add(double R, double z, double mass) {
    double fr = R / dr_;
    if (!(fr < radial_nodes - 1)) fr = radial_nodes - 1.000001;
    const int i = static_cast<int>(fr);
    const double wr = fr - i;
    double wz;
    const int k = height_index(z, wz);
    double* cell = &mass_[static_cast<std::size_t>(i) * height_nodes + k];
    cell[0] += mass * (1.0 - wr) * (1.0 - wz);
    cell[1] += mass * (1.0 - wr) * wz;
    cell[height_nodes] += mass * wr * (1.0 - wz);
    cell[height_nodes + 1] += mass * wr * wz;
}

void OffPlaneRings::evaluate(const std::vector<double>& R, const std::vector<double>& z, std::vector<double>& dphi,
                             std::vector<double>& dphi_dz, int threads) const {
    BlockedRings rings;
    const double radial_eps2 = softening() * softening();
    const int blocks = (radial_nodes + BlockedRings::block - 1) / BlockedRings::block;
    std::vector<double> block_mass(height_nodes), block_moment(height_nodes);
    for (int b = 0; b < blocks; ++b) {
        rings.fine_start.push_back(rings.fine.size());
        rings.coarse_start.push_back(rings.coarse.size());
        std::fill(block_mass.begin(), block_mass.end(), 0.0);
        std::fill(block_moment.begin(), block_moment.end(), 0.0);
        for (int i = b * BlockedRings::block; i < std::min((b + 1) * BlockedRings::block, radial_nodes); ++i)
            for (int k = 0; k < height_nodes; ++k) {
                const double m = mass_[static_cast<std::size_t>(i) * height_nodes + k];
                if (m == 0.0) continue;
                rings.fine.push_back({i * dr_, node_height(k), radial_eps2 + vertical_eps2(k), m});
                block_mass[k] += m;
                block_moment[k] += m * i * dr_;
            }
        for (int k = 0; k < height_nodes; ++k)
            if (block_mass[k] != 0.0)
                rings.coarse.push_back({block_moment[k] / block_mass[k], node_height(k), radial_eps2 + vertical_eps2(k),
                                        block_mass[k]});
    }
    rings.fine_start.push_back(rings.fine.size());
    rings.coarse_start.push_back(rings.coarse.size());
    const std::size_t n = R.size();
    dphi.assign(n, 0.0);
    dphi_dz.assign(n, 0.0);
    // Contiguous blocks: points of one column share R, and its mid-plane sum.
    auto work = [&](std::size_t first, std::size_t last) {
        double plane_R = -1.0, plane_phi = 0.0;
        for (std::size_t j = first; j < last; ++j) {
            const RingSum at = rings.sum(R[j], z[j], dr_);
            if (R[j] != plane_R) {
                plane_R = R[j];
                plane_phi = z[j] == 0.0 ? at.phi : rings.sum(R[j], 0.0, dr_).phi;
            }
            dphi[j] = at.phi - plane_phi;
            dphi_dz[j] = at.dphi_dz;
        }
    };
    const std::size_t workers = static_cast<std::size_t>(std::clamp(threads, 1, 64));
    const std::size_t block = (n + workers - 1) / workers;
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < workers; ++t) pool.emplace_back(work, std::min(n, t * block), std::min(n, (t + 1) * block));
    work(0, std::min(n, block));
    for (auto& thread : pool) thread.join();
}

}  // namespace galtk::galvel
