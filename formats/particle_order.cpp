#include "particle_order.hpp"

#include <algorithm>

#include "snapshot_io.hpp"

namespace galtk {

TypeOrder order_by_type(const ParticleSet& set, const TypeMap& map, const std::string& file) {
    TypeOrder o;
    o.type.resize(set.size());
    bool sorted = true;
    // Models hold long runs of one code: the map is asked again only when it changes.
    std::int32_t last_code = 0;
    std::optional<int> t = map.type_of(last_code);
    for (std::size_t i = 0; i < set.size(); ++i) {
        const std::int32_t code = set.type[i];
        if (code != last_code) {
            last_code = code;
            t = map.type_of(code);
        }
        if (!t) {
            const std::string c = std::to_string(code);
            throw FormatError(1, "file \"" + file + "\": particle " + std::to_string(i) + " (0-based) has type code " +
                                     c +
                                     (map.empty() ? ", outside the particle types 0..5: give it one with --type-map " +
                                                        c + "=K"
                                                  : ", which the type map does not list: add " + c + "=K to --type-map"));
        }
        o.type[i] = static_cast<std::uint8_t>(*t);
        ++o.count[static_cast<std::size_t>(*t)];
        if (i > 0 && o.type[i] < o.type[i - 1]) sorted = false;
    }
    if (!sorted) {
        // A counting sort keeps the model order within each type.
        std::array<std::size_t, particle_types> next{};
        for (int k = 1; k < particle_types; ++k) next[k] = next[k - 1] + o.count[k - 1];
        o.order.resize(set.size());
        for (std::size_t i = 0; i < set.size(); ++i) o.order[next[o.type[i]]++] = i;
    }
    return o;
}

bool needs_64bit_ids(const ParticleSet& set) {
    if (set.id.empty()) return set.size() > UINT32_MAX;
    return std::any_of(set.id.begin(), set.id.end(), [](std::uint64_t v) { return v > UINT32_MAX; });
}

std::size_t count_gas(const ParticleSet& set, const TypeMap& map) {
    if (!set.has_gas_fields()) return 0;
    std::size_t n = 0;
    for (const std::int32_t code : set.type) {
        const auto t = map.type_of(code);
        n += t && *t == 0;
    }
    return n;
}

namespace {
template <class T>
void permute(std::vector<T>& v, const std::vector<std::size_t>& dest) {
    std::vector<T> out(v.size());
    for (std::size_t k = 0; k < v.size(); ++k) out[dest[k]] = v[k];
    v.swap(out);
}
}  // namespace

void restore_id_order(ParticleSet& set) {
    const std::size_t n = set.size();
    if (set.id.size() != n) return;
    bool in_order = true;
    std::vector<char> seen(n, 0);
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint64_t id = set.id[k];
        if (id < 1 || id > n || seen[id - 1]) return;
        seen[id - 1] = 1;
        if (id != k + 1) in_order = false;
    }
    if (!in_order) {
        std::vector<std::size_t> dest(n);
        for (std::size_t k = 0; k < n; ++k) dest[k] = static_cast<std::size_t>(set.id[k] - 1);
        permute(set.pos, dest);
        permute(set.vel, dest);
        permute(set.mass, dest);
        permute(set.type, dest);
        if (set.has_gas_fields()) {
            permute(set.internal_energy, dest);
            permute(set.density, dest);
            permute(set.smoothing_length, dest);
        }
    }
    std::vector<std::uint64_t>().swap(set.id);  // implicit from now on: the memory goes
}

}  // namespace galtk
