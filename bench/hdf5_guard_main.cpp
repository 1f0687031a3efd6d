// The cost of reading HDF5 behind the metadata walk in a child process: a model of N
// particles (default 10^7) written once, then read R times (default 5) with the walk and
// without it (GALTK_HDF5_UNGUARDED), alternating; prints mean and standard deviation of
// each and the walk's share of the read.
//
//   bench_hdf5_guard [N] [R] [FOLDER]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "snapshot_io.hpp"

namespace {

struct Stats {
    std::vector<double> s;
    double mean() const {
        double m = 0;
        for (double v : s) m += v;
        return m / double(s.size());
    }
    double sd() const {
        const double m = mean();
        double q = 0;
        for (double v : s) q += (v - m) * (v - m);
        return s.size() > 1 ? std::sqrt(q / double(s.size() - 1)) : 0.0;
    }
};

double timed_read(const std::filesystem::path& path) {
    const auto t0 = std::chrono::steady_clock::now();
    const galtk::ParticleSet set = galtk::read_snapshot(path);
    const auto t1 = std::chrono::steady_clock::now();
    if (set.size() == 0) std::abort();
    return std::chrono::duration<double>(t1 - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t n = argc > 1 ? std::stoul(argv[1]) : 10000000;
    const int rounds = argc > 2 ? std::stoi(argv[2]) : 5;
    const std::filesystem::path dir = argc > 3 ? argv[3] : std::filesystem::temp_directory_path();
    const std::filesystem::path path = dir / "bench_hdf5_guard.hdf5";
    {
        galtk::ParticleSet set;
        set.resize(n);
        for (std::size_t j = 0; j < n; ++j) {
            const float x = float(j % 1000) * 0.01f, y = float(j / 1000 % 1000) * 0.01f, z = float(j / 1000000) * 0.01f;
            set.pos[j] = {x, y, z};
            set.vel[j] = {y, z, x};
            set.mass[j] = 1.0f / float(n);
            set.type[j] = int(j % 3) + 1;
        }
        galtk::write_snapshot(path, set, galtk::SnapshotFormat::hdf5);
    }
    Stats guarded, unguarded;
    (void)timed_read(path);  // the file into the page cache
    for (int r = 0; r < rounds; ++r) {
        unsetenv("GALTK_HDF5_UNGUARDED");
        guarded.s.push_back(timed_read(path));
        setenv("GALTK_HDF5_UNGUARDED", "1", 1);
        unguarded.s.push_back(timed_read(path));
    }
    std::filesystem::remove(path);
    std::printf("HDF5 read of %zu particles, %d rounds (page cache warm)\n", n, rounds);
    std::printf("  with the guarded metadata walk: %.3f s +- %.3f\n", guarded.mean(), guarded.sd());
    std::printf("  without it:                     %.3f s +- %.3f\n", unguarded.mean(), unguarded.sd());
    std::printf("  cost of the walk: %.1f%% of the read\n", 100.0 * (guarded.mean() - unguarded.mean()) / unguarded.mean());
    return 0;
}
