// The vertical acceleration of the model's field (field.hpp) at the disk particles, for
// their Clausius virial when their vertical balance comes from that field (--vertical
// jeans) rather than from the isothermal sheet.
//
// Ring sums at every particle would cost particles x rings; the values the vertical
// balance summed (vertical_jeans.hpp: its radii by the heights of its quadrature, up to
// 8 z0) are interpolated instead, linearly in ln R and in |z| from a_z = 0 at the plane,
// odd in z. Inside the innermost radius a_z is that radius's, beyond the outermost that
// one's; above the highest node (a sech^2 layer leaves 2e-7 of its mass there) the
// highest node's.
#pragma once

#include <vector>

#include "vertical_jeans.hpp"

namespace galtk::galvel {

class VerticalPull {
public:
    explicit VerticalPull(const VerticalBalance& balance);

    double a_z(double R, double z) const;

private:
    std::vector<double> ln_R_, heights_, a_z_;   // heights_ with the plane first; a_z_ likewise
};

}  // namespace galtk::galvel
