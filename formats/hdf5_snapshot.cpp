#include "hdf5_snapshot.hpp"

namespace galtk {

ParticleSet read_hdf5_snapshot(const std::filesystem::path& path) {
    throw FormatError(2, "file \"" + path.string() + "\": HDF5 reading is not yet built");
}
void write_hdf5_snapshot(OutputFile& out, const ParticleSet&, const WriteOptions&) {
    throw FormatError(2, "file \"" + out.target().string() + "\": HDF5 writing is not yet built");
}

}  // namespace galtk
