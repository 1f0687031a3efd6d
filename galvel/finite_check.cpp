#include "finite_check.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include "gas_particles.hpp"
#include "header.hpp"
#include "refusal.hpp"

namespace galtk::galvel {

namespace {

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

std::string real(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

// By the codes written: the bulge and a halo named by type keep their places in the file.
const char* component(const ParticleSet& set, const Outcome& o, std::size_t j) {
    const std::int32_t t = set.type[j];
    if (t == disk_type) return "disk";
    if (t == o.codes.bulge && o.bulge > 0) return "bulge";
    if (t == gas_type) return "gas";
    return "halo";
}

}  // namespace

void refuse_non_finite(const ParticleSet& set, const Outcome& o) {
    std::size_t bad = 0, first = 0;
    for (std::size_t j = 0; j < set.size(); ++j) {
        if (finite(set.vel[j])) continue;
        if (bad++ == 0) first = j;
    }
    const char* advice = ": the field of the model or its halo is beyond float's range; nothing written";
    if (bad > 0) {
        const Vec3& v = set.vel[first];
        throw Refusal(std::to_string(bad) + " of " + std::to_string(set.size()) +
                      " velocities are not finite (the first: particle " + std::to_string(first) + " of the " +
                      component(set, o, first) + ", v = " + real(v.x) + " " + real(v.y) + " " + real(v.z) + ")" + advice);
    }
    if (!std::isfinite(o.kinetic) || !std::isfinite(o.virial))
        throw Refusal("the kinetic energy " + real(o.kinetic) + " or the virial sum " + real(o.virial) +
                      " is not finite" + advice);
}

}  // namespace galtk::galvel
