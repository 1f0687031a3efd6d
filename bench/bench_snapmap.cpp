// snapmap's binning: three projections (face-on, edge-on along x and along y) of a model
// held in memory, for growing particle counts and grid sizes, cloud in cell. The model is
// an exponential disk (scale length 3, height 0.3) in random particle order, as a model
// file holds a component, so every deposit lands in a cell unrelated to the previous one.
//
//   build/release/bench/bench_snapmap --benchmark_counters_tabular=true
//
// ns/particle/view is the wall time over particles x projections.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "binning.hpp"

namespace {

const galtk::ParticleSet& disk_model(std::size_t n) {
    static galtk::ParticleSet model;
    if (model.size() != n) {
        model.resize(n);
        std::mt19937_64 gen(7);
        std::gamma_distribution<float> radius(2.0f, 3.0f);  // R e^(-R/3)
        std::uniform_real_distribution<float> angle(0.0f, 6.2831853f);
        std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
        for (std::size_t k = 0; k < n; ++k) {
            const float r = radius(gen), phi = angle(gen);
            model.pos[k] = {r * std::cos(phi), r * std::sin(phi), 0.3f * std::atanh(0.999f * unit(gen))};
            const float v = 1.0f - std::exp(-r / 2.0f);
            model.vel[k] = {-v * std::sin(phi), v * std::cos(phi), 0.05f * unit(gen)};
            model.mass[k] = 1.0f / float(n);
            model.type[k] = 1;
        }
    }
    return model;
}

void run(benchmark::State& state, std::size_t n, std::int32_t nmesh, snapmap::Quantity q) {
    const galtk::ParticleSet& model = disk_model(n);
    snapmap::Grid grid;
    grid.nmesh = nmesh;
    grid.extent = 16.0f;
    const auto views = snapmap::default_views();
    for (auto _ : state) {
        const snapmap::Maps maps = snapmap::make_maps(model, views, grid, snapmap::Assignment::cic, q);
        benchmark::DoNotOptimize(maps.values.data());
    }
    state.counters["ns/particle/view"] = benchmark::Counter(
        double(n) * double(views.size()) * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["particles"] = double(n);
    state.counters["nmesh"] = nmesh;
}

void particles(benchmark::State& state) {
    run(state, std::size_t(state.range(0)), 512, snapmap::Quantity::density);
}
void meshes(benchmark::State& state) {
    run(state, 10'000'000, std::int32_t(state.range(0)), snapmap::Quantity::density);
}
void kinds(benchmark::State& state) {
    run(state, 10'000'000, 512, static_cast<snapmap::Quantity>(state.range(0)));
}

}  // namespace

BENCHMARK(particles)->Arg(2'500'000)->Arg(5'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(meshes)->Arg(128)->Arg(512)->Arg(2048)->Arg(8192)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(kinds)->Arg(1)->Arg(3)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
