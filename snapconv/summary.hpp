// The lines snapconv prints after a conversion: what was written, per type, the total
// mass, and the particles at a shared place (with the hint tree codes need).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "coincident.hpp"
#include "snapshot_io.hpp"

namespace snapconv {

struct Conversion {
    std::string output;
    galtk::SnapshotFormat format;
    std::size_t coincident = 0;             // before any jitter
    std::optional<galtk::JitterResult> jitter;
    std::size_t gas = 0;                    // particles written with gas fields
    std::size_t gas_dropped = 0;            // gas particles whose fields --drop-gas left out
};

// "tinit.hdf5 (hdf5): 32100 particles (type 1: 32100), total mass 1, 0 coincident", then
// ", 1000 gas particles with u, density and h" or ", gas fields of 1000 particles left
// out (--drop-gas)" when the model has gas fields.
std::string summary_line(const galtk::ParticleSet& set, const Conversion& c);
// The hint when coincident particles remain, else empty.
std::string coincident_hint(const Conversion& c);

}  // namespace snapconv
