// The gravitational field of the particles in the mid-plane, azimuthally averaged.
//
// Averaging the field of a point mass over the azimuth of the field point is the same as
// spreading the mass over a ring through the particle about the z axis, so the averaged
// mid-plane field of the particles is a sum of ring fields, exact in terms of the complete
// elliptic integrals. A Plummer-softened point mass of softening eps at height z acts on
// the mid-plane as an unsoftened one at height zeta = sqrt(z^2 + eps^2), so each particle
// is a ring of radius R' at height zeta. For a ring of mass m, radius a, height zeta and
// a field point at radius R in the plane, with D^2 = (R + a)^2 + zeta^2, m_k = 4 a R / D^2:
//   Phi   = -(2 G m / pi) K(m_k) / D
//   F_R   =  (G m / (pi R D)) [ (a^2 - R^2 + zeta^2) / ((R - a)^2 + zeta^2) E(m_k) - K(m_k) ]
// (F_R > 0 outward). To be fast for millions of particles the rings are first deposited
// on a grid in (R', zeta) by linear weights in R' (uniform spacing) and in
// u = asinh(zeta / s) (fine near the plane, logarithmic above it); each field radius then
// sums over the occupied grid cells only. The cost is the particle count plus
// (field radii x occupied cells), independent of N beyond the deposit.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace galtk::galvel {

struct RingGridShape {
    double r_max = 0.0;      // largest cylindrical radius of a particle
    double zeta_max = 0.0;   // largest sqrt(z^2 + eps^2)
};

class RingField {
public:
    static constexpr int radial_nodes = 1536;
    static constexpr int height_nodes = 48;

    explicit RingField(const RingGridShape& shape);

    // Deposits one particle.
    void add(double R, double zeta, double mass) {
        double fr = R * inv_dr_;
        if (!(fr < radial_nodes - 1)) fr = radial_nodes - 1.000001;  // R = r_max (rounding)
        const int i = static_cast<int>(fr);
        const double wr = fr - i;
        double fu = std::asinh(zeta * inv_s_) * inv_du_;
        if (!(fu < height_nodes - 1)) fu = height_nodes - 1.000001;
        const int k = static_cast<int>(fu);
        const double wu = fu - k;
        double* cell = &mass_[static_cast<std::size_t>(i) * height_nodes + k];
        cell[0] += mass * (1.0 - wr) * (1.0 - wu);
        cell[1] += mass * (1.0 - wr) * wu;
        cell[height_nodes] += mass * wr * (1.0 - wu);
        cell[height_nodes + 1] += mass * wr * wu;
    }

    // Mid-plane radial acceleration (outward positive) and potential at each radius
    // (G = 1: multiply by G). Radii are evaluated in parallel on `threads` threads; the
    // result does not depend on the thread count.
    void evaluate(const std::vector<double>& radii, std::vector<double>& force,
                  std::vector<double>& potential, int threads) const;

    // Softening floor of the method: half a radial grid step (keeps a ring on a node
    // from being singular at a field radius on the same node).
    double floor_softening() const { return 0.5 / inv_dr_; }

private:
    double inv_dr_;
    double inv_s_;
    double inv_du_;
    double s_;
    double du_;
    std::vector<double> mass_;   // radial_nodes x height_nodes
};

}  // namespace galtk::galvel
