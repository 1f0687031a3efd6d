#include "orbits.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace galtk::galvel {

namespace {

struct Cartesian {
    double ax, ay, az;
};

Cartesian acceleration(const AxisymmetricField& field, const Orbit& o, Acceleration& cylindrical) {
    const double R = std::hypot(o.x, o.y);
    cylindrical = field.at(R, o.z);
    // On the axis a_R vanishes; the direction does not matter.
    const double per_R = R > 0.0 ? cylindrical.a_R / R : 0.0;
    return {per_R * o.x, per_R * o.y, cylindrical.a_z};
}

}  // namespace

double local_period(const Orbit& o, const Acceleration& a) {
    const double r = std::sqrt(o.x * o.x + o.y * o.y + o.z * o.z);
    double nu2 = r > 0.0 ? std::hypot(a.a_R, a.a_z) / r : 0.0;
    if (o.z != 0.0) nu2 = std::max(nu2, std::fabs(a.a_z / o.z));
    return nu2 > 0.0 ? 2.0 * std::numbers::pi / std::sqrt(nu2) : HUGE_VAL;
}

std::size_t advance(Orbit& o, const AxisymmetricField& field, double duration, double step_fraction) {
    if (!(duration > 0.0)) return 0;
    const double min_step = duration * 1e-7;
    Acceleration cyl;
    Cartesian a = acceleration(field, o, cyl);
    double t = 0.0;
    std::size_t steps = 0;
    while (t < duration) {
        double dt = std::max(step_fraction * local_period(o, cyl), min_step);
        // Land on the end exactly; a sliver left over joins the last step.
        const bool last = t + dt >= duration || duration - (t + dt) < min_step;
        if (last) dt = duration - t;
        const double half = 0.5 * dt;
        o.vx += half * a.ax;
        o.vy += half * a.ay;
        o.vz += half * a.az;
        o.x += dt * o.vx;
        o.y += dt * o.vy;
        o.z += dt * o.vz;
        a = acceleration(field, o, cyl);
        o.vx += half * a.ax;
        o.vy += half * a.ay;
        o.vz += half * a.az;
        t = last ? duration : t + dt;
        ++steps;
    }
    return steps;
}

}  // namespace galtk::galvel
