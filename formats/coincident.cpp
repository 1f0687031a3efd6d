#include "coincident.hpp"

#include <algorithm>
#include <bit>
#include <limits>
#include <optional>
#include <cmath>
#include <cstring>
#include <string>
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

// The particles by place: an open-addressing hash table of particle indices keyed by the
// bit patterns of their coordinates, at most three quarters full. One pass, a few random
// accesses per particle: linear in N, a table of 4 bytes a slot (8 beyond 2^32 particles).
template <class Index>
class PlaceTable {
public:
    explicit PlaceTable(const std::vector<Vec3>& pos) : pos_(pos) {
        std::size_t slots = 16;
        while (slots < pos.size() + pos.size() / 3 + 1) slots *= 2;
        slots_.assign(slots, empty);
        mask_ = slots - 1;
    }
    // The slot where i's search starts; fetching it early hides the memory latency of
    // the random accesses (entering runs a few particles behind).
    std::size_t start(std::size_t i) const {
        const std::size_t s = hash(pos_[i]) & mask_;
        __builtin_prefetch(&slots_[s]);
        return s;
    }
    // The particle already at i's place, or none after entering i.
    std::optional<std::size_t> enter(std::size_t i) { return enter(i, start(i)); }
    std::optional<std::size_t> enter(std::size_t i, std::size_t first_slot) {
        const Vec3& p = pos_[i];
        for (std::size_t s = first_slot;; s = (s + 1) & mask_) {
            const Index j = slots_[s];
            if (j == empty) {
                slots_[s] = static_cast<Index>(i);
                return std::nullopt;
            }
            if (same_place(pos_[j], p)) return j;
        }
    }

private:
    static constexpr Index empty = std::numeric_limits<Index>::max();
    static std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }
    static bool same_place(const Vec3& a, const Vec3& b) {
        return bits(a.x) == bits(b.x) && bits(a.y) == bits(b.y) && bits(a.z) == bits(b.z);
    }
    static std::size_t hash(const Vec3& p) {
        std::uint64_t h = (std::uint64_t{bits(p.x)} << 32 | bits(p.y)) * 0x9E3779B97F4A7C15u;
        h ^= (h >> 29) + std::uint64_t{bits(p.z)} * 0xC2B2AE3D27D4EB4Fu;
        h ^= h >> 32;
        return static_cast<std::size_t>(h * 0xD6E8FEB86659FD93u >> 16);
    }
    const std::vector<Vec3>& pos_;
    std::vector<Index> slots_;
    std::size_t mask_ = 0;
};

// The particles that share their place with one entered before them, entering the
// particles not moved before in index order, then the moved ones: in each group the
// earliest unmoved particle stays (there is at most one: after the first round the
// places of unmoved particles are distinct), else the earliest moved one. Ascending.
template <class Index>
std::vector<std::size_t> to_move(const std::vector<Vec3>& pos, const std::vector<char>& moved) {
    PlaceTable<Index> table(pos);
    std::vector<std::size_t> out;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < pos.size(); ++i)
            if (moved[i] == pass && table.enter(i)) out.push_back(i);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::size_t> particles_to_move(const std::vector<Vec3>& pos, const std::vector<char>& moved) {
    if (pos.size() < UINT32_MAX) return to_move<std::uint32_t>(pos, moved);
    return to_move<std::uint64_t>(pos, moved);
}

template <class Index>
std::size_t count_shared(const std::vector<Vec3>& pos) {
    PlaceTable<Index> table(pos);
    std::vector<char> first_counted(pos.size(), 0);
    std::size_t total = 0;
    constexpr std::size_t ahead = 8;
    std::size_t slot[ahead];
    for (std::size_t i = 0; i < std::min(ahead, pos.size()); ++i) slot[i] = table.start(i);
    for (std::size_t i = 0; i < pos.size(); ++i) {
        const std::size_t first_slot = slot[i % ahead];
        if (i + ahead < pos.size()) slot[i % ahead] = table.start(i + ahead);
        const std::optional<std::size_t> j = table.enter(i, first_slot);
        if (!j) continue;
        total += first_counted[*j] ? 1 : 2;
        first_counted[*j] = 1;
    }
    return total;
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
    if (set.size() < UINT32_MAX) return count_shared<std::uint32_t>(set.pos);
    return count_shared<std::uint64_t>(set.pos);
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

std::string coincident_hint(std::size_t coincident, bool jittered) {
    if (coincident == 0 || jittered) return {};
    return "hint: " + std::to_string(coincident) +
           " particles share their position with another; tree codes (GADGET, AREPO, ChaNGa) cannot separate "
           "them and subdivide until their node memory runs out: --jitter EPS (a small fraction of the softening "
           "length) moves them apart";
}

}  // namespace galtk
