#include "check_sample.hpp"

#include <cmath>
#include <optional>

#include "header.hpp"

namespace galtk::galvel {

namespace {

std::optional<Component> component_of(std::int32_t type) {
    if (type == disk_type) return Component::disk;
    if (type == bulge_type) return Component::bulge;
    if (type == halo_type) return Component::halo;
    return std::nullopt;
}

}  // namespace

const char* component_name(Component c) {
    switch (c) {
        case Component::disk: return "disk";
        case Component::bulge: return "bulge";
        case Component::halo: return "halo";
    }
    return "";
}

CheckSample pick_sample(const ParticleSet& set, std::size_t wanted) {
    CheckSample s;
    std::size_t all = 0;
    for (std::size_t j = 0; j < set.size(); ++j)
        if (const auto c = component_of(set.type[j])) {
            ++s.in_model[static_cast<int>(*c)];
            ++all;
        }
    // Each component's share of the sample, rounded up so that none drops out.
    std::array<std::size_t, component_count> share{};
    for (int c = 0; c < component_count; ++c)
        share[c] = all <= wanted ? s.in_model[c]
                                 : static_cast<std::size_t>(std::ceil(double(wanted) * double(s.in_model[c]) / double(all)));
    std::array<std::size_t, component_count> seen{};
    for (std::size_t j = 0; j < set.size(); ++j) {
        const auto c = component_of(set.type[j]);
        if (!c) continue;
        const int k = static_cast<int>(*c);
        const std::size_t n = s.in_model[k], i = seen[k]++;
        // Member i is taken when the running count share * i / n steps up past it.
        if ((i + 1) * share[k] / n == i * share[k] / n) continue;
        const Vec3& p = set.pos[j];
        const Vec3& v = set.vel[j];
        s.orbits.push_back({p.x, p.y, p.z, v.x, v.y, v.z});
        s.mass.push_back(set.mass[j]);
        s.component.push_back(*c);
        ++s.taken[k];
    }
    return s;
}

}  // namespace galtk::galvel
