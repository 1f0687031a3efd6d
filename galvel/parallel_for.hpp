// Work split over threads by interleaved indices: thread t takes t, t + threads, ...,
// so uneven costs along the index (inner and outer orbits, near and far field points)
// even out. Each index is handled by one thread, so results do not depend on the count.
#pragma once

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace galtk::galvel {

// Runs body(j) for j in [0, n) on `threads` threads (1 .. 64).
template <class Body>
void parallel_for(std::size_t n, int threads, const Body& body) {
    const std::size_t workers = static_cast<std::size_t>(std::clamp(threads, 1, 64));
    auto work = [&](std::size_t first) {
        for (std::size_t j = first; j < n; j += workers) body(j);
    };
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < workers && t < n; ++t) pool.emplace_back(work, t);
    work(0);
    for (auto& thread : pool) thread.join();
}

// Runs body(first, last) on `threads` threads (1 .. 64), each over one contiguous block of
// [0, n): for work whose neighbouring indices share data, or whose results are written
// in order. The calling thread takes the first block.
template <class Body>
void in_blocks(std::size_t n, int threads, const Body& body) {
    const std::size_t workers = static_cast<std::size_t>(std::clamp(threads, 1, 64));
    const std::size_t block = (n + workers - 1) / workers;
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < workers && t * block < n; ++t)
        pool.emplace_back(body, t * block, std::min(n, (t + 1) * block));
    body(0, std::min(n, block));
    for (auto& thread : pool) thread.join();
}

}  // namespace galtk::galvel
