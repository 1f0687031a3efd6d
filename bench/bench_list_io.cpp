// Reading and writing snapshot particle records (seven values a line) through the
// frame's list-directed reader and writer: the hot path of every program. The values
// are those of the classic Fortran reference point (bench/README.md), computed before
// the timing starts.
//
//   build/bench/bench_list_io --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "list_reader.hpp"
#include "particle_files.hpp"
#include "run.hpp"

namespace {

constexpr std::int64_t records = 1000000;

const galtk::ProgramInfo info{"bench_list_io", "", ""};

std::string scratch_file() {
    return "/tmp/bench_list_io_" + std::to_string(::getpid()) + ".dat";
}

// The records of the classic reference point, computed once so that only the writing
// is timed.
struct Records {
    std::vector<float> values;  // six reals per record
    explicit Records(std::int64_t n) : values(static_cast<std::size_t>(6 * n)) {
        for (std::int64_t i = 1; i <= n; ++i) {
            const float fi = static_cast<float>(i);
            float* r = &values[static_cast<std::size_t>(6 * (i - 1))];
            r[0] = 12.0f * std::sin(fi);
            r[1] = 9.0f * std::cos(1.3f * fi);
            r[2] = 0.4f * std::sin(0.7f * fi);
            r[3] = 0.01f * r[0];
            r[4] = -0.02f * r[1];
            r[5] = 0.0f;
        }
    }
};

void write_snapshot(galtk::Run& run, const std::string& path, const Records& recs) {
    const auto n = static_cast<std::int64_t>(recs.values.size() / 6);
    galtk::Unit& u = run.open_unit(10, path);
    const float h[5] = {0.05f, 0.05f, 0.05f, 0.05f, 0.05f};
    const float m = 1.0f / static_cast<float>(n);
    const float hm[5] = {m, m, m, m, m};
    galtk::write_snapshot_header(u, static_cast<std::int32_t>(n), 0.0f, 4, h, hm);
    for (std::int64_t i = 0; i < n; ++i) {
        const float* r = &recs.values[static_cast<std::size_t>(6 * i)];
        galtk::write_particle_record(u, {r[0], r[1], r[2]}, {r[3], r[4], r[5]}, 1);
    }
    u.close();
}

void BM_WriteRecords(benchmark::State& state) {
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    galtk::Run run(info, 1, argv);
    const std::string path = scratch_file();
    const Records recs(records);
    for (auto _ : state) write_snapshot(run, path, recs);
    state.counters["values/s"] = benchmark::Counter(static_cast<double>(7 * records * state.iterations()),
                                                    benchmark::Counter::kIsRate);
    std::remove(path.c_str());
}

void BM_ReadRecords(benchmark::State& state) {
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    galtk::Run run(info, 1, argv);
    const std::string path = scratch_file();
    write_snapshot(run, path, Records(records));
    double checksum = 0;
    for (auto _ : state) {
        galtk::Unit& u = run.open_unit(11, path);
        std::int32_t n = 0, nc = 0;
        float t, h[5], m[5];
        galtk::read_list(u, {"header"}, n, t);
        galtk::read_list(u, {"ncomp"}, nc);
        galtk::read_list(u, {"hpar"}, galtk::reals(h));
        galtk::read_list(u, {"hmass"}, galtk::reals(m));
        galtk::ParticleRecord rec;
        for (std::int32_t i = 1; i <= n; ++i) {
            galtk::read_particle_record(u, {"record", i}, rec);
            checksum += rec.pos.x;
        }
        run.open_unit(11, "/dev/null");  // release the file for the next pass
    }
    benchmark::DoNotOptimize(checksum);
    state.counters["values/s"] = benchmark::Counter(static_cast<double>(7 * records * state.iterations()),
                                                    benchmark::Counter::kIsRate);
    std::remove(path.c_str());
}

}  // namespace

BENCHMARK(BM_WriteRecords)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadRecords)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
