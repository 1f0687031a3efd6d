#include "text_header.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace galtk {

namespace {

bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool same_list(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), same_bits);
}

// Shortest decimal that reads back to the same float, so the user sees the value the
// file had rather than a rounded neighbour.
std::string shown(std::span<const float> list) {
    if (list.empty()) return "(none)";
    std::string s;
    char buf[32];
    for (float v : list) {
        if (!s.empty()) s += ' ';
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        s.append(buf, r.ptr);
    }
    return s;
}

}  // namespace

std::vector<float> shared_mass_per_code(std::span<const std::int32_t> type, std::span<const float> mass,
                                        std::size_t entries) {
    std::vector<float> shared(entries, 0.0f);
    std::vector<char> seen(entries, 0), uniform(entries, 1);
    for (std::size_t i = 0; i < type.size(); ++i) {
        const std::int32_t t = type[i];
        if (t < 0 || static_cast<std::size_t>(t) >= entries) continue;
        const auto k = static_cast<std::size_t>(t);
        if (!seen[k]) {
            seen[k] = 1;
            shared[k] = mass[i];
        } else if (!same_bits(shared[k], mass[i])) {
            uniform[k] = 0;
        }
    }
    for (std::size_t k = 0; k < entries; ++k)
        if (!uniform[k]) shared[k] = 0.0f;
    return shared;
}

bool masses_match_header(std::span<const std::int32_t> type, std::span<const float> mass,
                         std::span<const float> type_mass) {
    for (std::size_t i = 0; i < type.size(); ++i) {
        const std::int32_t t = type[i];
        if (t < 0 || static_cast<std::size_t>(t) >= type_mass.size()) return false;
        if (!same_bits(type_mass[static_cast<std::size_t>(t)], mass[i])) return false;
    }
    return true;
}

TextHeader derive_text_header(std::span<const std::int32_t> type, std::span<const float> mass,
                              std::span<const float> softening, std::span<const float> type_mass) {
    TextHeader h;
    std::int32_t largest = -1;
    for (std::int32_t t : type) largest = std::max(largest, t);
    const std::size_t entries = std::max<std::size_t>(
        {5, static_cast<std::size_t>(std::min<std::int32_t>(largest, header_entries_max - 1) + 1), softening.size(),
         type_mass.size()});
    h.ncomp = entries == 5 ? 4 : static_cast<std::int32_t>(entries);
    h.softening.assign(softening.begin(), softening.end());
    h.softening.resize(entries, 0.0f);
    if (type_mass.empty()) {
        h.type_mass = shared_mass_per_code(type, mass, entries);
    } else {
        h.type_mass.assign(type_mass.begin(), type_mass.end());
        h.type_mass.resize(entries, 0.0f);
    }
    h.eight_items = !masses_match_header(type, mass, h.type_mass);
    return h;
}

TextHeader text_header_of(const ParticleSet& set) {
    TextHeader h;
    if (set.ncomp) {
        h.ncomp = *set.ncomp;
        h.softening = set.softening;
        h.type_mass = set.type_mass;
        h.eight_items = !masses_match_header(set.type, set.mass, h.type_mass);
    } else {
        h = derive_text_header(set.type, set.mass, set.softening, set.type_mass);
    }
    h.eight_items = h.eight_items || set.per_particle_mass;
    return h;
}

std::string header_difference(const TextHeader& before, const TextHeader& after) {
    std::string s;
    auto add = [&s](const std::string& part) { s += (s.empty() ? "" : "; ") + part; };
    if (!same_list(before.softening, after.softening))
        add("softenings " + shown(before.softening) + " come back as " + shown(after.softening));
    if (!same_list(before.type_mass, after.type_mass))
        add("type masses " + shown(before.type_mass) + " come back as " + shown(after.type_mass));
    if (before.ncomp != after.ncomp)
        add("ncomp " + std::to_string(before.ncomp) + " comes back as " + std::to_string(after.ncomp));
    if (before.eight_items != after.eight_items)
        add(before.eight_items ? "records of 8 items come back with 7" : "records of 7 items come back with 8");
    return s;
}

}  // namespace galtk
