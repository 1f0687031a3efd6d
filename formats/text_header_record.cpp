#include "text_header_record.hpp"

#include <cstring>
#include <span>

namespace galtk {

namespace {
// The one value of every entry (bit for bit), or none; 0 for an empty list.
std::optional<float> uniform_value(std::span<const float> list) {
    if (list.empty()) return 0.0f;
    for (float v : list)
        if (std::memcmp(&v, &list[0], sizeof v) != 0) return std::nullopt;
    return list[0];
}
}  // namespace

void TextHeaderRecord::apply(ParticleSet& set) const {
    set.ncomp = ncomp;
    set.softening.assign(softening_entries, softening);
    set.type_mass.assign(mass_entries, type_mass);
    set.per_particle_mass = per_particle_mass;
}

std::optional<TextHeaderRecord> uniform_text_header(const ParticleSet& set, int entries_max) {
    if (!set.ncomp) return std::nullopt;
    const auto max = static_cast<std::size_t>(entries_max);
    if (set.softening.size() > max || set.type_mass.size() > max) return std::nullopt;
    const std::optional<float> soft = uniform_value(set.softening);
    const std::optional<float> mass = uniform_value(set.type_mass);
    if (!soft || !mass) return std::nullopt;
    TextHeaderRecord r;
    r.ncomp = *set.ncomp;
    r.softening_entries = static_cast<std::uint8_t>(set.softening.size());
    r.mass_entries = static_cast<std::uint8_t>(set.type_mass.size());
    r.per_particle_mass = set.per_particle_mass;
    r.softening = *soft;
    r.type_mass = *mass;
    return r;
}

}  // namespace galtk
