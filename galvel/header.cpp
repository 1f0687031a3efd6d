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

void relabel(ParticleSet& set, const ComponentRanges& r, const ComponentCodes& codes) {
    const std::size_t n = set.size();
    // The halo: the file's particles, or those appended after the model.
    const std::size_t halo_first = r.halo > 0 ? r.bulge_end() : r.model();
    const std::size_t halo_last = r.halo > 0 ? r.model() : n;
    const auto entry = [](std::vector<float>& list, std::int32_t code) -> float* {
        return code >= 0 && static_cast<std::size_t>(code) < list.size() ? &list[code] : nullptr;
    };
    if (!set.softening.empty()) {
        const float disk = largest_softening(set, 0, r.disk_end());
        const float bulge = largest_softening(set, r.disk_end(), r.bulge_end());
        const float halo = r.halo > 0 ? largest_softening(set, halo_first, halo_last) : disk;
        if (set.softening.size() < 4) set.softening.resize(4, 0.0f);
        set.softening[disk_type] = disk;
        if (float* e = entry(set.softening, codes.bulge); e && r.bulge > 0) *e = bulge;
        if (float* e = entry(set.softening, codes.halo); e && halo_last > halo_first) *e = halo;
    }
    if (!set.type_mass.empty()) {
        if (set.type_mass.size() < 4) set.type_mass.resize(4, 0.0f);
        set.type_mass[disk_type] = shared_mass(set, 0, r.disk_end());
        if (float* e = entry(set.type_mass, codes.bulge)) *e = shared_mass(set, r.disk_end(), r.bulge_end());
        // Without a halo its entry is 0, unless the bulge has that code (--bulge-type 1).
        if (float* e = entry(set.type_mass, codes.halo); e && (halo_last > halo_first || codes.halo != codes.bulge))
            *e = shared_mass(set, halo_first, halo_last);
    }
    const std::size_t entries = std::max(set.softening.size(), set.type_mass.size());
    if (set.ncomp && entries > 0) {
        // ncomp 4 stands for five entries (diskgen); otherwise the entry count.
        const auto wanted = static_cast<std::int32_t>(entries == 5 ? 4 : entries);
        if (*set.ncomp < wanted && !(entries == 5 && *set.ncomp == 4)) set.ncomp = wanted;
        if (set.softening.size() < entries) set.softening.resize(entries, 0.0f);
        if (set.type_mass.size() < entries) set.type_mass.resize(entries, 0.0f);
    }
    for (std::size_t j = 0; j < n; ++j)
        set.type[j] = j < r.disk_end() ? disk_type : (j < r.bulge_end() ? codes.bulge : codes.halo);
}

}  // namespace galtk::galvel
