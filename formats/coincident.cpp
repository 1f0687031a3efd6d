#include "coincident.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "ran1.hpp"
#include "real_format.hpp"
#include "snapshot_io.hpp"

namespace galtk {

namespace {

std::string real_text(float v) {
    char buf[real_text_max + 1];
    return std::string(buf, format_real(v, buf));
}

// A position's bits and its particle's index, ordered by place, then by index.
struct Key {
    std::uint64_t xy;
    std::uint32_t z;
    std::uint32_t index_low;
};

struct WideKey {
    std::uint64_t xy;
    std::uint32_t z;
    std::size_t index;
};

template <class K>
K key_of(const Vec3& p, std::size_t i) {
    std::uint32_t x, y, z;
    std::memcpy(&x, &p.x, 4);
    std::memcpy(&y, &p.y, 4);
    std::memcpy(&z, &p.z, 4);
    K k{};
    k.xy = (std::uint64_t{x} << 32) | y;
    k.z = z;
    if constexpr (std::is_same_v<K, Key>) {
        k.index_low = static_cast<std::uint32_t>(i);
    } else {
        k.index = i;
    }
    return k;
}

template <class K>
std::size_t index_of(const K& k) {
    if constexpr (std::is_same_v<K, Key>) {
        return k.index_low;
    } else {
        return k.index;
    }
}

// Calls group(first, last) for each run of keys at one place with two or more members
// (sorted by index within the run).
template <class K, class Group>
void for_each_group(const std::vector<Vec3>& pos, Group group) {
    std::vector<K> keys(pos.size());
    for (std::size_t i = 0; i < pos.size(); ++i) keys[i] = key_of<K>(pos[i], i);
    std::sort(keys.begin(), keys.end(), [](const K& a, const K& b) {
        if (a.xy != b.xy) return a.xy < b.xy;
        if (a.z != b.z) return a.z < b.z;
        return index_of(a) < index_of(b);
    });
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i + 1;
        while (j < keys.size() && keys[j].xy == keys[i].xy && keys[j].z == keys[i].z) ++j;
        if (j - i > 1) group(keys.data() + i, keys.data() + j);
        i = j;
    }
}

// The particles to move, ascending: every member of a group but the one that stays, the earliest particle not moved before (there is at most one: the places
// of unmoved particles were distinct after the first round), else the earliest.
template <class K>
std::vector<std::size_t> to_move(const std::vector<Vec3>& pos, const std::vector<char>& moved) {
    std::vector<std::size_t> out;
    for_each_group<K>(pos, [&](const K* first, const K* last) {
        const K* stay = first;
        for (const K* k = first; k != last; ++k) {
            if (!moved[index_of(*k)]) {
                stay = k;
                break;
            }
        }
        for (const K* k = first; k != last; ++k)
            if (k != stay) out.push_back(index_of(*k));
    });
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::size_t> particles_to_move(const std::vector<Vec3>& pos, const std::vector<char>& moved) {
    if (pos.size() <= UINT32_MAX) return to_move<Key>(pos, moved);
    return to_move<WideKey>(pos, moved);
}

constexpr int draws_max = 1000;  // per particle and round: more means eps cannot move it
constexpr int rounds_max = 100;

// A new place for p at a distance in (0, eps], as float coordinates; the realised
// offset (after rounding to float) is what is measured, so it never exceeds eps.
Vec3 draw_new_place(const Vec3& p, float eps, std::int32_t& seed, double& length, std::size_t index) {
    const double e = eps;
    for (int attempt = 0; attempt < draws_max; ++attempt) {
        double d[3];
        for (double& c : d) c = (2.0 * static_cast<double>(ran1(seed)) - 1.0) * e;
        const double r2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        if (!(r2 > 0.0) || r2 > e * e) continue;
        const Vec3 q{static_cast<float>(p.x + d[0]), static_cast<float>(p.y + d[1]), static_cast<float>(p.z + d[2])};
        const double rx = static_cast<double>(q.x) - p.x, ry = static_cast<double>(q.y) - p.y,
                     rz = static_cast<double>(q.z) - p.z;
        const double realised = std::sqrt(rx * rx + ry * ry + rz * rz);
        if (!(realised > 0.0) || realised > e) continue;
        length = realised;
        return q;
    }
    throw FormatError(1, "particle " + std::to_string(index) + " (0-based): a jitter of " + real_text(eps) +
                             " is too small to move it away from its position (below the float spacing there)");
}

}  // namespace

std::size_t count_coincident(const ParticleSet& set) {
    std::size_t total = 0;
    auto add = [&total](const auto* first, const auto* last) { total += static_cast<std::size_t>(last - first); };
    if (set.size() <= UINT32_MAX) {
        for_each_group<Key>(set.pos, add);
    } else {
        for_each_group<WideKey>(set.pos, add);
    }
    return total;
}

JitterResult jitter_coincident(ParticleSet& set, float eps, std::int32_t seed) {
    if (!(eps > 0.0f) || !std::isfinite(eps)) {
        throw FormatError(1, "jitter " + real_text(eps) + " must be a finite length above 0");
    }
    ran1_reset();
    std::int32_t stream = seed > 0 ? -seed : seed;
    std::vector<char> moved(set.size(), 0);
    // Original places of the moved particles, in index order (all are found in the
    // first round, ascending; later rounds only move them again).
    std::vector<std::size_t> moved_index;
    std::vector<Vec3> original;
    std::vector<std::size_t> todo = particles_to_move(set.pos, moved);
    for (int round = 0; !todo.empty(); ++round) {
        if (round == rounds_max) {
            throw FormatError(1, "jitter " + real_text(eps) + " cannot separate every coincident particle");
        }
        for (std::size_t i : todo) {
            if (!moved[i]) {
                moved[i] = 1;
                moved_index.push_back(i);
                original.push_back(set.pos[i]);
            }
            // A particle caught again starts from its original place: its offset stays
            // within eps.
            const auto k = static_cast<std::size_t>(
                std::lower_bound(moved_index.begin(), moved_index.end(), i) - moved_index.begin());
            double length = 0.0;
            set.pos[i] = draw_new_place(original[k], eps, stream, length, i);
        }
        todo = particles_to_move(set.pos, moved);
    }
    double largest = 0.0;
    for (std::size_t k = 0; k < moved_index.size(); ++k) {
        const Vec3& p = original[k];
        const Vec3& q = set.pos[moved_index[k]];
        const double dx = static_cast<double>(q.x) - p.x, dy = static_cast<double>(q.y) - p.y,
                     dz = static_cast<double>(q.z) - p.z;
        largest = std::max(largest, std::sqrt(dx * dx + dy * dy + dz * dz));
    }
    // The float of the largest length, never above eps (each length is at most eps).
    float shown = static_cast<float>(largest);
    if (shown > eps) shown = eps;
    return JitterResult{moved_index.size(), shown};
}

}  // namespace galtk
