#include "gadget_snapshot.hpp"

namespace galtk {

ParticleSet read_gadget_snapshot(const std::filesystem::path& path) {
    throw FormatError(2, "file \"" + path.string() + "\": GADGET reading is not yet built");
}
void write_gadget_snapshot(OutputFile& out, const ParticleSet&, bool, const WriteOptions&) {
    throw FormatError(2, "file \"" + out.target().string() + "\": GADGET writing is not yet built");
}

}  // namespace galtk
