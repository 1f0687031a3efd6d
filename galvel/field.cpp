#include "field.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "elliptic.hpp"
#include "geometry.hpp"
#include "parallel_for.hpp"

namespace galtk::galvel {

namespace {

constexpr double pi = std::numbers::pi;

// The radial step resolves the smallest vertical separation a ring has from a field point
// in the layer (the layer's median height, or the softening): the ring sum over nodes is a
// trapezoid rule whose kernel has that width, accurate once the step is below half of it.
int radial_node_count(const FieldLayout& layout) {
    const double z_median = layout.z_scale * std::atanh(0.5);
    const double width = std::sqrt(z_median * z_median + layout.softening * layout.softening);
    const double wanted = width > 0.0 ? 2.0 * layout.r_max / width + 1.0 : 0.0;
    if (!(wanted > ParticleField::min_radial_nodes)) return ParticleField::min_radial_nodes;
    return wanted < ParticleField::max_radial_nodes ? static_cast<int>(std::ceil(wanted))
                                                    : ParticleField::max_radial_nodes;
}

struct Ring {
    double a;       // radius
    double z;       // height
    double eps2;    // softening squared, at least the floor
    double mass;
};

// Adds the rings' potential and force sums at p (in units the caller finishes).
struct RingSums {
    double phi = 0.0, fr = 0.0, fz = 0.0;

    void add(const std::vector<Ring>& rings, double floor2, const FieldPoint& p) {
        const double R = p.R;
        for (const Ring& ring : rings) {
            const double dz = p.z - ring.z;
            const double zeta2 = std::max(dz * dz + ring.eps2, floor2);
            const double sum = R + ring.a;
            const double diff = R - ring.a;
            const double D2 = sum * sum + zeta2;
            const double d2 = diff * diff + zeta2;
            const double inv_D = 1.0 / std::sqrt(D2);
            const auto ke = elliptic_ke_polynomial(d2 / D2);
            const double mD = ring.mass * inv_D;
            phi -= mD * ke.K;
            fr += mD * ((ring.a * ring.a - R * R + zeta2) / d2 * ke.E - ke.K);
            fz -= mD * dz * ke.E / d2;
        }
    }

    FieldValue value(double R) const {
        FieldValue v;
        v.potential = 2.0 * phi / pi;
        v.a_R = R > 0.0 ? fr / (pi * R) : 0.0;
        v.a_z = 2.0 * fz / pi;
        return v;
    }
};

FieldValue sum_rings(const std::vector<Ring>& rings, double floor2, const FieldPoint& p) {
    RingSums sums;
    sums.add(rings, floor2, p);
    return sums.value(p.R);
}

}  // namespace

ParticleField::ParticleField(const FieldLayout& layout) : layout_(layout), radial_nodes_(radial_node_count(layout)) {
    const double r_max = layout.r_max > 0.0 ? layout.r_max : 1.0;
    dr_ = r_max / (radial_nodes_ - 1);
    inv_dr_ = 1.0 / dr_;
    // A quarter of the layer's height near the plane, or a fraction of the radial step.
    s_ = layout.z_scale > 0.0 ? 0.25 * layout.z_scale : 0.5 * dr_;
    const double u_max = std::asinh(std::max(layout.z_max, s_) / s_);
    du_ = u_max / half_height_nodes;
    inv_s_ = 1.0 / s_;
    inv_du_ = 1.0 / du_;
}

double ParticleField::node_height(int k) const { return s_ * std::sinh((k - half_height_nodes) * du_); }

ParticleField::Grid& ParticleField::grid_for(double softening) {
    for (Grid& g : grids_)
        if (g.softening == softening) return g;
    grids_.push_back({softening, std::vector<double>(static_cast<std::size_t>(radial_nodes_) * height_nodes(), 0.0)});
    return grids_.back();
}

void ParticleField::add(double R, double z, double mass, double softening) {
    Grid& g = grid_for(softening);
    double fr = R * inv_dr_;
    if (!(fr < radial_nodes_ - 1)) fr = radial_nodes_ - 1.000001;
    if (!(fr > 0.0)) fr = 0.0;
    const int i = static_cast<int>(fr);
    const double wr = fr - i;
    auto deposit = [&](double height, double m) {
        double fu = std::asinh(height * inv_s_) * inv_du_ + half_height_nodes;
        if (!(fu < height_nodes() - 1)) fu = height_nodes() - 1.000001;
        if (!(fu > 0.0)) fu = 0.0;
        const int k = static_cast<int>(fu);
        const double wu = fu - k;
        double* cell = &g.mass[static_cast<std::size_t>(i) * height_nodes() + k];
        cell[0] += m * (1.0 - wr) * (1.0 - wu);
        cell[1] += m * (1.0 - wr) * wu;
        cell[height_nodes()] += m * wr * (1.0 - wu);
        cell[height_nodes() + 1] += m * wr * wu;
    };
    if (layout_.mirror) {
        deposit(z, 0.5 * mass);
        deposit(-z, 0.5 * mass);
    } else {
        deposit(z, mass);
    }
}

double ParticleField::total_mass() const {
    double m = 0.0;
    for (const Grid& g : grids_)
        for (double v : g.mass) m += v;
    return m;
}

std::vector<FieldValue> ParticleField::evaluate(std::span<const FieldPoint> points, int threads) const {
    // Half a radial step keeps a ring on a node from being singular at a field point on it.
    const double floor2 = 0.25 * dr_ * dr_;
    std::vector<Ring> rings;
    for (const Grid& g : grids_)
        for (int i = 0; i < radial_nodes_; ++i)
            for (int k = 0; k < height_nodes(); ++k) {
                const double m = g.mass[static_cast<std::size_t>(i) * height_nodes() + k];
                if (m != 0.0) rings.push_back({i * dr_, node_height(k), g.softening * g.softening, m});
            }
    std::vector<FieldValue> values(points.size());
    parallel_for(points.size(), threads, [&](std::size_t j) { values[j] = sum_rings(rings, floor2, points[j]); });
    return values;
}

std::vector<FieldValue> ParticleField::evaluate_blocked(std::span<const FieldPoint> points, int threads) const {
    const double floor2 = 0.25 * dr_ * dr_;
    const int blocks = (radial_nodes_ + block_nodes - 1) / block_nodes;
    // Per block of radial nodes: its rings one by one, and one ring per height and
    // softening at the block's mass-weighted radius.
    std::vector<std::vector<Ring>> single(blocks), merged(blocks);
    for (const Grid& g : grids_)
        for (int b = 0; b < blocks; ++b)
            for (int k = 0; k < height_nodes(); ++k) {
                double m = 0.0, ma = 0.0;
                for (int i = b * block_nodes; i < std::min((b + 1) * block_nodes, radial_nodes_); ++i) {
                    const double mass = g.mass[static_cast<std::size_t>(i) * height_nodes() + k];
                    if (mass == 0.0) continue;
                    single[b].push_back({i * dr_, node_height(k), g.softening * g.softening, mass});
                    m += mass;
                    ma += mass * i * dr_;
                }
                if (m != 0.0) merged[b].push_back({ma / m, node_height(k), g.softening * g.softening, m});
            }
    std::vector<FieldValue> values(points.size());
    parallel_for(points.size(), threads, [&](std::size_t j) {
        const int home = static_cast<int>(std::min(points[j].R * inv_dr_, double(radial_nodes_))) / block_nodes;
        RingSums sums;
        for (int b = 0; b < blocks; ++b)
            sums.add(std::abs(b - home) <= near_blocks ? single[b] : merged[b], floor2, points[j]);
        values[j] = sums.value(points[j].R);
    });
    return values;
}

double softening_of(const ParticleSet& set, std::size_t j) {
    const std::int32_t t = set.type[j];
    if (t < 0 || static_cast<std::size_t>(t) >= set.softening.size()) return 0.0;
    const double eps = set.softening[t];
    return std::isfinite(eps) && eps > 0.0 ? eps : 0.0;
}

FieldLayout field_layout(const ParticleSet& set, std::size_t first, std::size_t last, double z_scale) {
    FieldLayout layout;
    layout.z_scale = z_scale;
    layout.softening = HUGE_VAL;
    for (std::size_t j = first; j < last; ++j) {
        layout.r_max = std::max(layout.r_max, cylindrical_radius(set.pos[j]));
        layout.z_max = std::max(layout.z_max, std::fabs(double(set.pos[j].z)));
        layout.softening = std::min(layout.softening, softening_of(set, j));
    }
    if (!(layout.softening < HUGE_VAL)) layout.softening = 0.0;
    return layout;
}

void add_particles(ParticleField& field, const ParticleSet& set, std::size_t first, std::size_t last) {
    for (std::size_t j = first; j < last; ++j)
        field.add(cylindrical_radius(set.pos[j]), set.pos[j].z, set.mass[j], softening_of(set, j));
}

FieldValue halo_field(const AnalyticHalo& halo, double G, const FieldPoint& p) {
    FieldValue v;
    const double r = std::hypot(p.R, p.z);
    v.potential = halo.potential(r);
    if (r > 0.0) {
        const double a = -G * halo.mass(r) / (r * r * r);
        v.a_R = a * p.R;
        v.a_z = a * p.z;
    }
    return v;
}

std::vector<FieldValue> ModelField::evaluate(std::span<const FieldPoint> points, int threads) const {
    return finish(particles_.evaluate(points, threads), points);
}

std::vector<FieldValue> ModelField::evaluate_blocked(std::span<const FieldPoint> points, int threads) const {
    return finish(particles_.evaluate_blocked(points, threads), points);
}

std::vector<FieldValue> ModelField::finish(std::vector<FieldValue> values, std::span<const FieldPoint> points) const {
    for (std::size_t j = 0; j < points.size(); ++j) {
        FieldValue& v = values[j];
        v.potential *= G_;
        v.a_R *= G_;
        v.a_z *= G_;
        if (halo_.present()) {
            const FieldValue h = halo_field(halo_, G_, points[j]);
            v.potential += h.potential;
            v.a_R += h.a_R;
            v.a_z += h.a_z;
        }
    }
    return values;
}

}  // namespace galtk::galvel
