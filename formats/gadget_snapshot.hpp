// GADGET-2 binary snapshots, format 1 (Fortran records) and format 2 (each block
// preceded by a labelled record of 8 bytes).
//
// Written: little-endian, float32 positions and velocities, 32-bit IDs (64-bit beyond
// 2^32-1 particles), the particles ordered by type, a MASS block only for the types
// whose particles differ in mass (the others' masses in the mass table).
// Read: either byte order, float or double, 32- or 64-bit IDs, told apart by the record
// sizes; every record marker checked; the file size checked before anything is allocated.
// The writer returns what of the text header the file cannot give back (one line
// starting with the file's name), or nothing.
#pragma once

#include <filesystem>
#include <string>

#include "output_file.hpp"
#include "snapshot_io.hpp"

namespace galtk {

ParticleSet read_gadget_snapshot(const std::filesystem::path& path);
std::string write_gadget_snapshot(OutputFile& out, const ParticleSet& set, bool format2, const WriteOptions& options);

}  // namespace galtk
