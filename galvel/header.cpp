#include "header.hpp"

#include <algorithm>
#include <cstring>

namespace galtk::galvel {

namespace {

float largest_softening(const ParticleSet& set, std::size_t first, std::size_t last) {
    float eps = 0.0f;
    for (std::size_t j = first; j < last; ++j) {
        const std::int32_t t = set.type[j];
        if (t >= 0 && static_cast<std::size_t>(t) < set.softening.size()) eps = std::max(eps, set.softening[t]);
    }
    return eps;
}

// The mass all particles of [first, last) share bit for bit, else 0.
float shared_mass(const ParticleSet& set, std::size_t first, std::size_t last) {
    if (first >= last) return 0.0f;
    for (std::size_t j = first + 1; j < last; ++j)
        if (std::memcmp(&set.mass[j], &set.mass[first], sizeof(float)) != 0) return 0.0f;
    return set.mass[first];
}

}  // namespace

void relabel(ParticleSet& set, std::size_t n_disk, std::size_t n_model) {
    const std::size_t n = set.size();
    if (!set.softening.empty()) {
        const float disk = largest_softening(set, 0, n_disk);
        const float bulge = largest_softening(set, n_disk, n_model);
        if (set.softening.size() < 4) set.softening.resize(4, 0.0f);
        set.softening[disk_type] = disk;
        if (n_model > n_disk) set.softening[bulge_type] = bulge;
        if (n > n_model) set.softening[halo_type] = disk;
    }
    if (!set.type_mass.empty()) {
        if (set.type_mass.size() < 4) set.type_mass.resize(4, 0.0f);
        set.type_mass[disk_type] = shared_mass(set, 0, n_disk);
        set.type_mass[bulge_type] = shared_mass(set, n_disk, n_model);
        set.type_mass[halo_type] = shared_mass(set, n_model, n);
    }
    const std::size_t entries = std::max(set.softening.size(), set.type_mass.size());
    if (set.ncomp && entries > 0) {
        // ncomp 4 stands for five entries (diskgen); otherwise the entry count.
        const auto wanted = static_cast<std::int32_t>(entries == 5 ? 4 : entries);
        if (*set.ncomp < wanted && !(entries == 5 && *set.ncomp == 4)) set.ncomp = wanted;
        if (set.softening.size() < entries) set.softening.resize(entries, 0.0f);
        if (set.type_mass.size() < entries) set.type_mass.resize(entries, 0.0f);
    }
    for (std::size_t j = 0; j < n; ++j) set.type[j] = j < n_disk ? disk_type : (j < n_model ? bulge_type : halo_type);
}

}  // namespace galtk::galvel
