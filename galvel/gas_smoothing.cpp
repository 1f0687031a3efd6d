#include "gas_smoothing.hpp"

#include <nanoflann.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "parallel_for.hpp"

namespace galtk::galvel {

namespace {

// The leaf-ordered coordinates side by side, each padded with a whole register of
// points at infinity (a leaf's last four read past its end).
struct Columns {
    std::vector<float> x, y, z;
    Vec3 at(std::size_t j) const { return {x[j], y[j], z[j]}; }
};

// nanoflann's view of the positions: the input while the tree is built, then their copy
// in the tree's leaf order (see smoothing_lengths).
struct PointCloud {
    const Vec3* points;
    const Columns* columns;
    std::size_t count;
    std::size_t kdtree_get_point_count() const { return count; }
    float kdtree_get_pt(std::size_t j, std::size_t dim) const {
        if (columns) return dim == 0 ? columns->x[j] : dim == 1 ? columns->y[j] : columns->z[j];
        return points[j][static_cast<int>(dim)];
    }
    template <class Box>
    bool kdtree_get_bbox(Box&) const { return false; }
};

using Tree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<float, PointCloud, double>, PointCloud,
                                                 3, std::uint32_t>;

constexpr std::size_t leaf_size = 16;
// Particles handled together: consecutive in the leaf order, so a group lies within a leaf
// or two neighbouring ones. Larger groups share a gathering among more particles but
// gather from a larger ball; 8 was fastest on the benchmark's gas disk.
constexpr std::size_t group_size = 8;
// A group's ball reaches the previous group's largest smoothing length times this beyond
// its farthest particle from the centre (a particle the ball leaves short is searched alone).
constexpr double group_reach = 1.0;
// Within a group a particle first sorts out the distances below the previous particle's
// k-th one, squared, times this (the radius 1.05 times).
constexpr double tight_reach2 = 1.1;
// A group's particle first looks no farther than the previous particle's k-th distance
// times this.
constexpr double cap_reach = 1.2;
// A particle searched alone starts from the previous smoothing length times this ...
constexpr double single_reach = 1.2;
// ... a ball that held too few is enlarged at least this much ...
constexpr double least_growth = 1.25;
// ... and at most this many times before the particle falls back to a k-nearest search.
constexpr int max_enlargements = 8;
// How far inside a ball the k-th neighbour must lie, relative to the ball's radius: a
// particle right at the boundary may have been dropped by the rounding of the distances
// (float differences, relative error about 1e-7).
constexpr double boundary_margin = 1e-5;

// Four floats in one register (GCC's and Clang's vector extension; plain SSE on x86-64).
using Float4 = float __attribute__((vector_size(16)));
using Int4 = int __attribute__((vector_size(16)));
constexpr std::size_t lanes = 4;
// For each 4-bit mask of lanes, the lanes that are set, in order (the rest don't matter).
constexpr Int4 lane_table[16] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {2, 0, 0, 0}, {0, 2, 0, 0},
                                 {1, 2, 0, 0}, {0, 1, 2, 0}, {3, 0, 0, 0}, {0, 3, 0, 0}, {1, 3, 0, 0}, {0, 1, 3, 0},
                                 {2, 3, 0, 0}, {0, 2, 3, 0}, {1, 2, 3, 0}, {0, 1, 2, 3}};
constexpr std::size_t lane_count[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

// Collects the squared distances within a fixed radius, unsorted (nanoflann's radius
// result set sorts).
struct WithinRadius {
    using DistanceType = double;
    using IndexType = std::uint32_t;
    double radius2;
    std::vector<double>* distance2;
    std::size_t size() const { return distance2->size(); }
    bool full() const { return true; }
    bool addPoint(double d2, std::uint32_t) {
        distance2->push_back(d2);
        return true;
    }
    double worstDist() const { return radius2; }
};

// One thread's searches over the leaf-ordered positions. Every result is the exact k-th
// smallest squared distance as nanoflann computes it (float differences, squared and
// summed in double), the particle itself counted: a ball is only trusted when it holds
// k particles well inside it, for then every closer particle is in it too.
class Searcher {
public:
    Searcher(const Tree& tree, const Columns& columns, std::size_t k)
        : tree_(tree), columns_(columns), k_(k), index_(k) {
        distance2_.reserve(16 * k + 256);
        for (Columns* c : {&group_, &lone_})
            for (std::vector<float>* v : {&c->x, &c->y, &c->z}) v->resize(16 * k + 256);
    }

    // The k-th distance of particle q, squared, searched alone from a guess (squared; 0
    // for none).
    double single(std::size_t q, double guess2) {
        const float query[3] = {columns_.x[q], columns_.y[q], columns_.z[q]};
        double r2 = single_reach * single_reach * guess2;
        for (int attempt = 0; attempt <= max_enlargements && r2 > 0.0 && std::isfinite(r2); ++attempt) {
            // What nanoflann's radius search finds: the exact distances below r2 (of
            // a gathering that holds them all).
            const std::size_t m = r2 < 1e36 ? gather(query, r2, lone_) : 0;
            distance2_.resize(std::max(distance2_.size(), m));
            std::size_t held = 0;
            for (std::size_t c = 0; c < m; ++c) {
                const double dx = query[0] - lone_.x[c], dy = query[1] - lone_.y[c], dz = query[2] - lone_.z[c];
                const double d2 = dx * dx + dy * dy + dz * dz;
                distance2_[held] = d2;
                held += d2 < r2;
            }
            if (r2 >= 1e36) {   // (float squares would overflow: nanoflann's search)
                distance2_.clear();
                WithinRadius found{r2, &distance2_};
                tree_.findNeighbors(found, query, nanoflann::SearchParams());
                held = distance2_.size();
            }
            if (held >= k_) {
                const double kth = select(distance2_.data(), held, k_);
                if (std::sqrt(kth) < (1.0 - boundary_margin) * std::sqrt(r2)) return kth;
            }
            // Too few inside: grow the volume by the missing share and some (the particle
            // itself is inside, so the count is at least 1).
            const double growth =
                std::max(least_growth, 1.1 * std::cbrt(double(k_) / double(std::max<std::size_t>(held, 1))));
            r2 *= growth * growth;
        }
        // No guess (the first particle, or a previous length of 0 where N_ngb particles
        // coincide) or a ball that kept coming up short.
        distance2_.resize(k_);
        const std::size_t got = tree_.knnSearch(query, k_, index_.data(), distance2_.data());
        return got > 0 ? distance2_[got - 1] : 0.0;
    }

    // The particles [first, last) of the leaf order together: one gathering about the
    // group's centre collects candidates for all of them, then each particle's distances to
    // the candidates are computed in a plain loop. `guess` is a smoothing length (not
    // squared) near the group; a particle its ball does not settle is searched alone.
    // Writes the squared k-th distances to out[0 .. last - first) and returns the largest.
    double group(std::size_t first, std::size_t last, double guess, double* out) {
        float lo[3] = {columns_.x[first], columns_.y[first], columns_.z[first]};
        float hi[3] = {lo[0], lo[1], lo[2]};
        for (std::size_t q = first + 1; q < last; ++q)
            for (int d = 0; d < 3; ++d) {
                lo[d] = std::min(lo[d], columns_.at(q)[d]);
                hi[d] = std::max(hi[d], columns_.at(q)[d]);
            }
        const float centre[3] = {0.5f * (lo[0] + hi[0]), 0.5f * (lo[1] + hi[1]), 0.5f * (lo[2] + hi[2])};
        double offset[group_size];   // each particle's distance from the centre
        double farthest = 0.0;
        for (std::size_t q = first; q < last; ++q) {
            const double dx = double(columns_.x[q]) - centre[0], dy = double(columns_.y[q]) - centre[1],
                         dz = double(columns_.z[q]) - centre[2];
            offset[q - first] = std::sqrt(dx * dx + dy * dy + dz * dz);
            farthest = std::max(farthest, offset[q - first]);
        }
        const double reach = farthest + group_reach * guess;
        std::size_t m = 0;
        // (Beyond 1e18 the float squares of the filters could overflow.)
        if (guess > 0.0 && reach < 1e18) m = gather(centre, reach * reach, group_);
        // Padded to whole lanes with points at infinity (their distance is infinite and
        // never passes a filter).
        const std::size_t padded = (m + lanes - 1) / lanes * lanes;
        for (std::vector<float>* v : {&group_.x, &group_.y, &group_.z})
            std::fill(v->begin() + static_cast<std::ptrdiff_t>(m), v->begin() + static_cast<std::ptrdiff_t>(padded),
                      std::numeric_limits<float>::infinity());
        passed_.resize(padded + lanes);
        distance2_.resize(2 * m);
        double largest = 0.0, previous = guess * guess;
        for (std::size_t q = first; q < last; ++q) {
            // Every particle within reach - offset of q is a candidate (triangle inequality).
            const double within = (1.0 - boundary_margin) * reach - offset[q - first];
            double kth = -1.0;
            if (m >= k_ && within > 0.0) {
                // First only out to the previous particle's k-th distance times cap_reach
                // (most particles' k-th lies there, and fewer distances need the exact
                // arithmetic), then out to all `within` when that held too few.
                const double capped = previous > 0.0 ? std::min(within, cap_reach * std::sqrt(previous)) : within;
                kth = kth_within(q, capped, previous, padded, m);
                if (kth < 0.0 && capped < within) kth = kth_within(q, within, previous, padded, m);
            }
            // Fewer than k inside `within`: the k-th lies beyond it, so the search alone
            // starts from there rather than from the previous length.
            if (kth < 0.0) kth = single(q, std::max(previous, within > 0.0 ? within * within : 0.0));
            out[q - first] = kth;
            previous = kth;
            largest = std::max(largest, kth);
        }
        return largest;
    }

private:
    using Node = Tree::Node;

    // Copies to `into` the particles within sqrt(reach2) of `centre` and maybe some a
    // little beyond (a float filter with room for its rounding): a walk of the tree's
    // cells as nanoflann's own search walks them (a cell is entered when its box's
    // distance, summed per axis, is within reach), but its leaves' particles are tested
    // four at a time in float, read side by side in the leaf order, where nanoflann's
    // result set takes them one by one in double. Returns how many were copied.
    std::size_t gather(const float centre[3], double reach2, Columns& into) {
        into_ = &into;
        // The cells' distances in double with a relative 1e-6 to spare: a cell is never
        // dropped for rounding (one entered needlessly only costs its test).
        reach2_ = reach2 * (1.0 + 1e-6);
        limit_ = reach2 > 1e-30 ? static_cast<float>(reach2 * (1.0 + 1e-5)) : std::numeric_limits<float>::max();
        for (int d = 0; d < 3; ++d) centre_[d] = centre[d];
        double dists[3] = {0.0, 0.0, 0.0};
        double distance2 = 0.0;
        for (int d = 0; d < 3; ++d) {
            const auto& box = tree_.root_bbox[static_cast<std::size_t>(d)];
            const double v = centre[d];
            if (v < box.low) dists[d] = (v - box.low) * (v - box.low);
            if (v > box.high) dists[d] = (v - box.high) * (v - box.high);
            distance2 += dists[d];
        }
        gathered_ = 0;
        if (distance2 <= reach2_) visit(tree_.root_node, distance2, dists);
        return gathered_;
    }

    void visit(const Node* node, double distance2, double* dists) {
        if (node->child1 == nullptr && node->child2 == nullptr) {
            take_leaf(node->node_type.lr.left, node->node_type.lr.right);
            return;
        }
        const int d = node->node_type.sub.divfeat;
        const double v = centre_[d];
        const double low = node->node_type.sub.divlow, high = node->node_type.sub.divhigh;
        // The child on the centre's side first; the other's box lies beyond its split value.
        const bool lower = (v - low) + (v - high) < 0.0;
        const double cut = lower ? (v - high) * (v - high) : (v - low) * (v - low);
        visit(lower ? node->child1 : node->child2, distance2, dists);
        const double kept = dists[d];
        const double other = distance2 + cut - kept;
        if (other <= reach2_) {
            dists[d] = cut;
            visit(lower ? node->child2 : node->child1, other, dists);
            dists[d] = kept;
        }
    }

    // The particles [left, right) of the leaf order that pass the float filter, appended
    // to into_ without a branch: the table puts the lanes that passed first.
    void take_leaf(std::size_t left, std::size_t right) {
        Columns& out = *into_;
        if (out.x.size() < gathered_ + (right - left) + 2 * lanes)
            for (std::vector<float>* v : {&out.x, &out.y, &out.z}) v->resize(2 * (gathered_ + (right - left) + 2 * lanes));
        const Float4 qx = {centre_[0], centre_[0], centre_[0], centre_[0]},
                     qy = {centre_[1], centre_[1], centre_[1], centre_[1]},
                     qz = {centre_[2], centre_[2], centre_[2], centre_[2]};
        const Int4 lane = {0, 1, 2, 3};
        for (std::size_t c = left; c < right; c += lanes) {
            Float4 cx, cy, cz;
            std::memcpy(&cx, &columns_.x[c], sizeof cx);
            std::memcpy(&cy, &columns_.y[c], sizeof cy);
            std::memcpy(&cz, &columns_.z[c], sizeof cz);
            const Float4 dx = qx - cx, dy = qy - cy, dz = qz - cz;
            const Int4 inside = ((dx * dx + dy * dy + dz * dz) < limit_) & (lane < static_cast<int>(right - c));
            const unsigned mask = (inside[0] & 1u) | (inside[1] & 2u) | (inside[2] & 4u) | (inside[3] & 8u);
            const Int4 order = lane_table[mask];
            const Float4 sx = __builtin_shuffle(cx, order), sy = __builtin_shuffle(cy, order),
                         sz = __builtin_shuffle(cz, order);
            std::memcpy(&out.x[gathered_], &sx, sizeof sx);
            std::memcpy(&out.y[gathered_], &sy, sizeof sy);
            std::memcpy(&out.z[gathered_], &sz, sizeof sz);
            gathered_ += lane_count[mask];
        }
    }

    // The k-th smallest squared distance from particle q among the group's candidates
    // (group_: m of them, padded to `padded`) if at least k lie within `within`, of
    // which all particles there are candidates; else -1. `previous` is the previous
    // particle's k-th squared distance.
    double kth_within(std::size_t q, double within, double previous, std::size_t padded, std::size_t m) {
        // The distances below the previous particle's k-th one (somewhat enlarged)
        // go to `near`, those up to `within` to `far`: the k-th is the k-th of near
        // if near holds k, else the (k - near)-th of far, and either selection
        // runs over about N_ngb values rather than all the ball holds.
        const double within2 = within * within;
        const double tight2 = std::min(within2, tight_reach2 * previous);
        const float px = columns_.x[q], py = columns_.y[q], pz = columns_.z[q];
        // A filter in float, four candidates at a time: the float square differs
        // from the double one by a few 1e-7 of it, so with a margin of 1e-5 it
        // drops no candidate inside `within`. (Below 1e-30 float squares would
        // underflow: no filtering there.)
        const float limit = within2 > 1e-30 ? static_cast<float>(within2 * (1.0 + 1e-5))
                                            : std::numeric_limits<float>::max();
        const Float4 qx = {px, px, px, px}, qy = {py, py, py, py}, qz = {pz, pz, pz, pz};
        std::size_t n_passed = 0;
        for (std::size_t c = 0; c < padded; c += lanes) {
            Float4 cx, cy, cz;
            std::memcpy(&cx, &group_.x[c], sizeof cx);
            std::memcpy(&cy, &group_.y[c], sizeof cy);
            std::memcpy(&cz, &group_.z[c], sizeof cz);
            const Float4 dx = qx - cx, dy = qy - cy, dz = qz - cz;
            const Int4 inside = (dx * dx + dy * dy + dz * dz) < limit;
            // The lanes that passed, stored without a branch: the table lists them first.
            const unsigned mask = (inside[0] & 1u) | (inside[1] & 2u) | (inside[2] & 4u) | (inside[3] & 8u);
            const Int4 index = static_cast<int>(c) + lane_table[mask];
            std::memcpy(&passed_[n_passed], &index, sizeof index);
            n_passed += lane_count[mask];
        }
        double* near = distance2_.data();
        double* far = near + m;
        std::size_t n_near = 0, n_far = 0;
        for (std::size_t i = 0; i < n_passed; ++i) {
            const auto c = static_cast<std::size_t>(passed_[i]);
            // The same arithmetic as nanoflann's L2 metric, so the results agree bit for bit.
            const double dx = px - group_.x[c], dy = py - group_.y[c], dz = pz - group_.z[c];
            const double s = dx * dx + dy * dy + dz * dz;
            near[n_near] = s;
            far[n_far] = s;
            n_near += s < tight2;
            n_far += (s >= tight2) & (s < within2);
        }
        if (n_near >= k_) return select(near, n_near, k_);
        if (n_near + n_far >= k_) return select(far, n_far, k_ - n_near);
        return -1.0;
    }

    // The k-th smallest of d[0 .. count), 1 <= k <= count: quickselect whose partition
    // writes every value to both sides and advances only the side it belongs to (no
    // branch to mispredict, unlike std::nth_element's, which cost twice as much here).
    double select(const double* d, std::size_t count, std::size_t k) {
        if (scratch_.size() < 4 * count) scratch_.resize(4 * count);
        double* spare[2] = {scratch_.data(), scratch_.data() + 2 * count};
        int turn = 0;
        while (count > 8) {
            const double a = d[0], b = d[count / 2], c = d[count - 1];
            const double pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));   // median of three
            double* below = spare[turn];
            double* above = below + count;
            std::size_t n_below = 0, n_above = 0;
            for (std::size_t i = 0; i < count; ++i) {
                const double v = d[i];
                below[n_below] = v;
                above[n_above] = v;
                n_below += v < pivot;
                n_above += v > pivot;
            }
            if (k <= n_below) {
                d = below;
                count = n_below;
            } else if (k <= count - n_above) {
                return pivot;
            } else {
                k -= count - n_above;
                d = above;
                count = n_above;
            }
            turn ^= 1;
        }
        double last[8];
        std::copy(d, d + count, last);
        std::sort(last, last + count);
        return last[k - 1];
    }

    const Tree& tree_;
    const Columns& columns_;
    std::size_t k_;
    double reach2_ = 0.0;       // the walk's reach, squared, with its margin
    float limit_ = 0.0f;        // the leaves' float filter
    float centre_[3] = {0.0f, 0.0f, 0.0f};
    std::size_t gathered_ = 0;
    std::vector<std::uint32_t> index_;
    std::vector<int> passed_;
    std::vector<double> distance2_, scratch_;
    Columns group_, lone_;      // a group's candidates, a lone search's
    Columns* into_ = nullptr;   // the gathering's
};

}  // namespace

std::vector<float> smoothing_lengths(const std::vector<Vec3>& positions, int neighbours, int threads) {
    const std::size_t n = positions.size();
    std::vector<float> h(n, 0.0f);
    if (n == 0 || neighbours < 1) return h;
    PointCloud cloud{positions.data(), nullptr, n};
    Tree tree(3, cloud, nanoflann::KDTreeSingleIndexAdaptorParams(leaf_size));
    // The tree then reads a copy of the positions in its leaf order, its index made the
    // identity: a leaf's points lie side by side in memory instead of scattered over the
    // input (the cache misses of that scatter were most of a search). The cells and split
    // planes stay valid, the point set being the same, and the distances come from the
    // same floats.
    const std::vector<std::uint32_t> order = tree.vAcc;
    Columns columns;
    for (std::vector<float>* v : {&columns.x, &columns.y, &columns.z})
        v->assign(n + lanes, std::numeric_limits<float>::infinity());
    for (std::size_t q = 0; q < n; ++q) {
        const Vec3& p = positions[order[q]];
        columns.x[q] = p.x;
        columns.y[q] = p.y;
        columns.z[q] = p.z;
        tree.vAcc[q] = static_cast<std::uint32_t>(q);
    }
    cloud.columns = &columns;
    const std::size_t k = static_cast<std::size_t>(std::min<std::size_t>(neighbours, n));
    // Each thread takes a contiguous block of the leaf order, group by group; a group's
    // guess is the previous group's largest smoothing length.
    auto work = [&](std::size_t first, std::size_t last) {
        Searcher search(tree, columns, k);
        double out[group_size];
        double guess = 0.0;
        for (std::size_t q = first; q < last; q += group_size) {
            const std::size_t end = std::min(last, q + group_size);
            guess = std::sqrt(search.group(q, end, guess, out));
            for (std::size_t i = q; i < end; ++i) h[order[i]] = static_cast<float>(std::sqrt(out[i - q]));
        }
    };
    in_blocks(n, threads, work);
    return h;
}

}  // namespace galtk::galvel
