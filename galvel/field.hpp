// The azimuthally averaged gravitational field of a particle model anywhere in the
// meridional plane (R, z), not only in the mid-plane.
//
// A Plummer-softened point mass m at (R', z') with softening eps, averaged over the
// azimuth of the field point, is a ring of radius R' whose field at (R, z) is that of an
// unsoftened ring at the vertical separation zeta = sqrt((z - z')^2 + eps^2). With
// D^2 = (R + R')^2 + zeta^2, d^2 = (R - R')^2 + zeta^2 and m_k = 4 R R' / D^2:
//   Phi = -(2 G m / pi) K(m_k) / D
//   a_R =  (G m / (pi R D)) [ (R'^2 - R^2 + zeta^2) / d^2 E(m_k) - K(m_k) ]
//   a_z = -(2 G m / pi) (z - z') E(m_k) / (D d^2)
// (a = -grad Phi, the acceleration; a_R > 0 outward). Softening changes only zeta, not
// the lever arm z - z'. This is the simulation's softened gravity, not Newton's.
//
// For millions of particles the masses are first deposited, each softening length on its
// own grid, on nodes in R' (uniform) and in u = asinh(z' / s) (fine near the plane,
// logarithmic far from it) by linear weights; a field point then sums the rings of the
// occupied nodes. The cost is N for the deposit plus points x occupied nodes.
//
// Usage:
//   FieldLayout layout = field_layout(set, first, last, z_scale);   // or fill it yourself
//   ParticleField field(layout);
//   for (...) field.add(R, z, mass, softening);
//   std::vector<FieldValue> v = field.evaluate(points, threads);    // G = 1
//   ModelField model(std::move(field), &halo, G);                   // G and the halo added
//   std::vector<FieldValue> w = model.evaluate(points, threads);
// Results do not depend on the thread count (each point is summed by one thread in a
// fixed order).
#pragma once

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "halo.hpp"
#include "particle_set.hpp"

namespace galtk::galvel {

struct FieldPoint {
    double R = 0.0;
    double z = 0.0;
};

struct FieldValue {
    double potential = 0.0;
    double a_R = 0.0;   // radial acceleration, outward positive
    double a_z = 0.0;   // vertical acceleration, upward positive
};

// The extent the deposit grids must cover and the vertical length they resolve.
struct FieldLayout {
    double r_max = 0.0;     // largest cylindrical radius of a particle
    double z_max = 0.0;     // largest |z|
    double z_scale = 0.0;   // vertical length to resolve near the plane (a disk's z0)
    double softening = 0.0; // smallest softening length in use (0 if none)
    // Each particle also counts as its mirror image at -z (half the mass each): the field
    // of the model made exactly symmetric about the mid-plane.
    bool mirror = false;
};

class ParticleField {
public:
    static constexpr int min_radial_nodes = 256;
    static constexpr int max_radial_nodes = 2048;
    static constexpr int half_height_nodes = 32;   // nodes on each side of the plane

    explicit ParticleField(const FieldLayout& layout);

    // Deposits one particle (R >= 0). Particles beyond the layout's extent are put on
    // its last nodes.
    void add(double R, double z, double mass, double softening);

    // The field (G = 1) at each point; points with R = 0 get a_R = 0.
    std::vector<FieldValue> evaluate(std::span<const FieldPoint> points, int threads) const;

    // The same field with the rings of distant radial nodes merged: rings within
    // near_blocks blocks of block_nodes radial nodes of the point are summed one by one,
    // each farther block as one ring per height at its mass-weighted radius (an error of
    // second order in the block's width over its distance). For many points.
    static constexpr int block_nodes = 8;
    static constexpr int near_blocks = 3;
    std::vector<FieldValue> evaluate_blocked(std::span<const FieldPoint> points, int threads) const;

    // The radial node spacing (the finest length the field resolves along R).
    double radial_step() const { return dr_; }
    double total_mass() const;
    const FieldLayout& layout() const { return layout_; }

private:
    struct Grid {
        double softening;
        std::vector<double> mass;   // radial_nodes_ x height_nodes()
    };
    int height_nodes() const { return 2 * half_height_nodes + 1; }
    double node_height(int k) const;
    Grid& grid_for(double softening);

    FieldLayout layout_;
    int radial_nodes_;
    double dr_, inv_dr_;
    double s_, du_, inv_s_, inv_du_;
    std::vector<Grid> grids_;
};

// The layout for particles [first, last) of a set (their softening from the header's
// entry of their type), resolving z_scale near the plane.
FieldLayout field_layout(const ParticleSet& set, std::size_t first, std::size_t last, double z_scale);

// Plummer softening of particle j: its type's entry of the header, 0 without one.
double softening_of(const ParticleSet& set, std::size_t j);

// Deposits particles [first, last) of a set.
void add_particles(ParticleField& field, const ParticleSet& set, std::size_t first, std::size_t last);

// The whole model's field: the particles' (times G) plus an analytic halo (may be null or
// absent; it is copied).
class ModelField {
public:
    ModelField(ParticleField particles, const AnalyticHalo* halo, double G)
        : particles_(std::move(particles)), halo_(halo ? *halo : AnalyticHalo()), G_(G) {}

    std::vector<FieldValue> evaluate(std::span<const FieldPoint> points, int threads) const;
    // With the particles' distant rings merged (ParticleField::evaluate_blocked).
    std::vector<FieldValue> evaluate_blocked(std::span<const FieldPoint> points, int threads) const;
    const ParticleField& particles() const { return particles_; }
    const AnalyticHalo& halo() const { return halo_; }
    double G() const { return G_; }

private:
    // Scales the particles' values by G and adds the halo's.
    std::vector<FieldValue> finish(std::vector<FieldValue> values, std::span<const FieldPoint> points) const;

    ParticleField particles_;
    AnalyticHalo halo_;
    double G_;
};

// The field of an analytic halo alone at (R, z) (G included by the halo).
FieldValue halo_field(const AnalyticHalo& halo, double G, const FieldPoint& p);

}  // namespace galtk::galvel
