// The azimuthally averaged potential of the particles off the mid-plane, for the gas
// disk's vertical equilibrium.
//
// As in the mid-plane field, each particle acts as a ring about the z axis through it; a
// ring of mass m, radius a at height z' gives at (R, z), with dz = z - z',
// D^2 = (R + a)^2 + dz^2 + eps^2, d^2 = (R - a)^2 + dz^2 + eps^2, m_k = 4 a R / D^2:
//   Phi   = -(2 G m / pi) K(m_k) / D
//   dPhi/dz = (2 G m / pi) dz E(m_k) / (D d^2)
// (eps^2 the square of half the radial step plus that of half the local vertical step
// between nodes: a field point between two layers of nodes then sees the continuous mass
// they stand for, and a ring on a node is not singular beside it). The particles are
// first deposited on a grid uniform in R and in u = asinh(z / s) (signed, fine near the
// plane), by weights linear in R and in z between the neighbouring nodes;
// a field point sums over the occupied cells of the 5 blocks of 8 radial nodes about it,
// and over each farther block as one ring a height node at the block's mass-weighted
// radius. Cost: the particle count plus (field points x (a few thousand rings)).
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace galtk::galvel {

class OffPlaneRings {
public:
    static constexpr int radial_nodes = 512;
    static constexpr int half_height_nodes = 32;   // nodes on each side of the plane

    // r_max: the largest cylindrical radius, z_max: the largest |z| of a particle,
    // s: the height below which the vertical step is uniform (0: one radial step).
    OffPlaneRings(double r_max, double z_max, double s = 0.0);

    void add(double R, double z, double mass);

    // Phi(R, z) - Phi(R, 0) and dPhi/dz at each point (G = 1), on `threads` threads.
    void evaluate(const std::vector<double>& R, const std::vector<double>& z, std::vector<double>& dphi,
                  std::vector<double>& dphi_dz, int threads) const;

    double softening() const { return 0.5 * dr_; }   // the radial part

private:
    int height_index(double z, double& w) const;
    double vertical_eps2(int k) const;
    double node_height(int k) const { return s_ * std::sinh((k - half_height_nodes) * du_); }

    double dr_, s_, du_;
    std::vector<double> mass_;   // radial_nodes x (2 half_height_nodes + 1)
};

}  // namespace galtk::galvel
