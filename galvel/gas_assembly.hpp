// The gas particles made on a thread of their own while the caller goes on with the
// stars' velocities: the positions, rotation, density and u from the uniforms the stream
// gave them, then the smoothing lengths. Most of what follows the gas's draws runs on one
// thread (the stream is sequential), so the other core would otherwise idle through it.
// The particles are the same whichever thread makes them and whenever. An assembly
// dropped unfinished (the caller threw) is waited for.
#pragma once

#include <future>
#include <vector>

#include "gas_disk.hpp"
#include "gas_particles.hpp"

namespace galtk::galvel {

class GasAssembly {
public:
    // Starts at once on another thread when threads > 1; with one thread the work waits
    // for take(). `disk` must outlive the assembly and stay unchanged.
    GasAssembly(const GasDisk& disk, std::vector<float> uniforms, int neighbours, int threads);

    // The particles with their smoothing lengths; rethrows what the work threw. Once.
    GasParticles take();
    double search_seconds() const { return search_seconds_; }   // the smoothing lengths' search
    double wait_seconds() const { return wait_seconds_; }       // take()'s wait for the rest

private:
    struct Made {
        GasParticles gas;
        double search_seconds;
    };
    std::future<Made> job_;
    double search_seconds_ = 0.0, wait_seconds_ = 0.0;
};

}  // namespace galtk::galvel
