// tipsy snapshots (ChaNGa, PKDGRAV, gasoline): a 32-byte header, then gas, dark and star
// particles. Written in standard (big-endian, XDR) order; read in either order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "output_file.hpp"
#include "snapshot_io.hpp"

namespace galtk {

// Whether the first `got` bytes of a file of `size` bytes are a tipsy header whose
// counts give exactly that size (either byte order).
bool tipsy_header_matches(const unsigned char* head, std::size_t got, std::uint64_t size);
// Whether they are a tipsy header of consistent counts (ndim 3, nbodies = nsph + ndark +
// nstar > 0), whatever the file size: a truncated tipsy file is still told apart from text.
bool tipsy_header_plausible(const unsigned char* head, std::size_t got);

// Gas particles carry a temperature in kelvin: the internal energy u is converted with
// the model's velocity unit, `units` on reading (which the set then keeps) and the
// options' or the set's units on writing; km/s when none is known.
ParticleSet read_tipsy_snapshot(const std::filesystem::path& path, const std::optional<ModelUnits>& units);
// Returns what of the text header the file cannot give back (one line), or nothing.
std::string write_tipsy_snapshot(OutputFile& out, const ParticleSet& set, const WriteOptions& options);
double tipsy_velocity_unit(const WriteOptions& options, const ParticleSet& set);

}  // namespace galtk
