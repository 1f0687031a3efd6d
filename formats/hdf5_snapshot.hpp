// HDF5 snapshots in the layout GADGET-4, AREPO and SWIFT read: a `Header` group with
// every attribute any of the three requires, and one `PartTypeK` group per type with
// particles holding Coordinates, Velocities, ParticleIDs and Masses.
#pragma once

#include <filesystem>

#include "output_file.hpp"
#include "snapshot_io.hpp"

namespace galtk {

ParticleSet read_hdf5_snapshot(const std::filesystem::path& path);
void write_hdf5_snapshot(OutputFile& out, const ParticleSet& set, const WriteOptions& options);

}  // namespace galtk
