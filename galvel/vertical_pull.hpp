// The vertical acceleration of the model's field (field.hpp) at the disk particles, for
// their Clausius virial when their vertical balance comes from that field (--vertical
// jeans) rather than from the isothermal sheet.
//
// Ring sums at every particle would cost particles x rings; the field is summed instead on
// a grid of radii (logarithmic) by heights (uniform in w = asinh(|z| / s), s a quarter of
// the disk's z0: fine near the plane, logarithmic far from it) and a_z interpolated
// bilinearly in (ln R, w), odd in z. Inside the innermost radius a_z is that radius's;
// beyond the grid's ends the last node's.
#pragma once

#include <vector>

#include "field.hpp"

namespace galtk::galvel {

class VerticalPull {
public:
    static constexpr int radial_nodes = 64;
    static constexpr int height_nodes = 40;

    // Radii from r_lo to r_hi, heights from 0 to z_max; z0 the disk's sech^2 height.
    VerticalPull(const ModelField& field, double r_lo, double r_hi, double z_max, double z0, int threads);

    double a_z(double R, double z) const;

private:
    double ln_lo_, d_ln_, s_, dw_;
    std::vector<double> a_z_;   // [i * height_nodes + k], at z >= 0
};

}  // namespace galtk::galvel
