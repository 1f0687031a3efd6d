#include "gas_smoothing.hpp"

#include <nanoflann.hpp>

#include <algorithm>
#include <cmath>
#include <thread>

namespace galtk::galvel {

namespace {

// nanoflann's view of the positions.
struct PointCloud {
    const std::vector<Vec3>& points;
    std::size_t kdtree_get_point_count() const { return points.size(); }
    float kdtree_get_pt(std::size_t j, std::size_t dim) const { return points[j][static_cast<int>(dim)]; }
    template <class Box>
    bool kdtree_get_bbox(Box&) const { return false; }
};

using Tree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<float, PointCloud, double>, PointCloud,
                                                 3, std::uint32_t>;

}  // namespace

std::vector<float> smoothing_lengths(const std::vector<Vec3>& positions, int neighbours, int threads) {
    const std::size_t n = positions.size();
    std::vector<float> h(n, 0.0f);
    if (n == 0 || neighbours < 1) return h;
    const PointCloud cloud{positions};
    Tree tree(3, cloud, nanoflann::KDTreeSingleIndexAdaptorParams(16));
    // Queries in the tree's leaf order: neighbouring queries then visit the same nodes and
    // points, which keeps them in the cache (several times faster than the input order).
    const std::vector<std::uint32_t>& order = tree.vAcc;
    const std::size_t k = static_cast<std::size_t>(std::min<std::size_t>(neighbours, n));
    auto work = [&](std::size_t first, std::size_t last) {
        std::vector<std::uint32_t> index(k);
        std::vector<double> distance2(k);
        for (std::size_t q = first; q < last; ++q) {
            const std::size_t j = order[q];
            const float query[3] = {positions[j].x, positions[j].y, positions[j].z};
            const std::size_t found = tree.knnSearch(query, k, index.data(), distance2.data());
            h[j] = found > 0 ? static_cast<float>(std::sqrt(distance2[found - 1])) : 0.0f;
        }
    };
    const std::size_t workers = static_cast<std::size_t>(std::clamp(threads, 1, 64));
    const std::size_t block = (n + workers - 1) / workers;
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < workers; ++t)
        pool.emplace_back(work, std::min(n, t * block), std::min(n, (t + 1) * block));
    work(0, std::min(n, block));
    for (auto& thread : pool) thread.join();
    return h;
}

}  // namespace galtk::galvel
