#include "gas_assembly.hpp"

#include <chrono>
#include <utility>

#include "gas_smoothing.hpp"

namespace galtk::galvel {

namespace {

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

GasAssembly::GasAssembly(const GasDisk& disk, std::vector<float> uniforms, int neighbours, int threads) {
    // (std::async's future waits in its destructor for work it started.)
    job_ = std::async(threads > 1 ? std::launch::async : std::launch::deferred,
                      [&disk, uniforms = std::move(uniforms), neighbours, threads]() mutable {
                          Made made{gas_particles_from(disk, uniforms, threads), 0.0};
                          std::vector<float>().swap(uniforms);   // not kept through the search
                          const auto start = std::chrono::steady_clock::now();
                          made.gas.hsml = smoothing_lengths(made.gas.pos, neighbours, threads);
                          made.search_seconds = since(start);
                          return made;
                      });
}

GasParticles GasAssembly::take() {
    const auto start = std::chrono::steady_clock::now();
    Made made = job_.get();
    wait_seconds_ = since(start);
    search_seconds_ = made.search_seconds;
    return std::move(made.gas);
}

}  // namespace galtk::galvel
