// Orbits in a frozen axisymmetric field: the kick-drift-kick leapfrog in Cartesian
// coordinates, in double, each orbit with its own step.
//
// The step is a fixed fraction (default 1/100) of the local period
//   P = 2 pi / sqrt(max(|a| / r, |a_z / z|)),
// the period of a circular orbit through the point or of a small vertical oscillation
// about the plane there (a_z ~ -nu^2 z near the plane), whichever is shorter: inner orbits
// and thin layers get short steps, outer halo orbits long ones. It is chosen again at the
// start of every step from the current position, and the last step of an interval is
// shortened so that the orbit lands exactly on its end.
#pragma once

#include <cstddef>

#include "frozen_field.hpp"

namespace galtk::galvel {

struct Orbit {
    double x = 0.0, y = 0.0, z = 0.0;
    double vx = 0.0, vy = 0.0, vz = 0.0;
};

inline constexpr double default_step_fraction = 0.01;

// The local period above at the orbit's position in the field's acceleration `a`.
double local_period(const Orbit& o, const Acceleration& a);

// Advances the orbit by `duration` (>= 0). Returns the number of steps taken. No step is
// shorter than duration * 1e-7 (an orbit through the exact centre would otherwise stall).
std::size_t advance(Orbit& orbit, const AxisymmetricField& field, double duration,
                    double step_fraction = default_step_fraction);

}  // namespace galtk::galvel
