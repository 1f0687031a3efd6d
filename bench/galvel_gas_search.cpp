// The gas smoothing lengths' search alone, on the gas particles (type 0) of a model galvel
// wrote: the best wall time of REPS searches on THREADS threads, and a checksum of the
// lengths' bits (the same for every version of the search that finds the same floats).
//
//   galvel_gas_search MODEL THREADS REPS [NEIGHBOURS]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gas_smoothing.hpp"
#include "snapshot_io.hpp"

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: galvel_gas_search MODEL THREADS REPS [NEIGHBOURS]\n");
        return 1;
    }
    const galtk::ParticleSet set = galtk::read_snapshot(argv[1]);
    std::vector<galtk::Vec3> gas;
    for (std::size_t j = 0; j < set.size(); ++j)
        if (set.type[j] == 0) gas.push_back(set.pos[j]);
    const int threads = std::atoi(argv[2]), reps = std::max(1, std::atoi(argv[3]));
    const int neighbours = argc == 5 ? std::atoi(argv[4]) : 64;
    if (gas.empty() || neighbours < 1 || static_cast<std::size_t>(neighbours) > gas.size()) {
        std::fprintf(stderr, "galvel_gas_search: %s: %zu gas particles for %d neighbours\n", argv[1], gas.size(),
                     neighbours);
        return 1;
    }
    double best = 1e300;
    std::uint32_t checksum = 0;
    for (int r = 0; r < reps; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<float> h = galtk::galvel::smoothing_lengths(gas, neighbours, threads);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        checksum = 0;
        for (float x : h) {
            std::uint32_t bits;
            std::memcpy(&bits, &x, sizeof bits);
            checksum = checksum * 31u + bits;
        }
    }
    std::printf("%zu gas particles, %d neighbours, %d threads: best of %d %.3f s, checksum %08x\n", gas.size(),
                neighbours, threads, reps, best, checksum);
    return 0;
}
