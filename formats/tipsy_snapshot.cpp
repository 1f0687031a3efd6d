#include "tipsy_snapshot.hpp"

namespace galtk {

bool tipsy_header_matches(const unsigned char*, std::size_t, std::uint64_t) { return false; }
ParticleSet read_tipsy_snapshot(const std::filesystem::path& path) {
    throw FormatError(2, "file \"" + path.string() + "\": tipsy reading is not yet built");
}
void write_tipsy_snapshot(OutputFile& out, const ParticleSet&, const WriteOptions&) {
    throw FormatError(2, "file \"" + out.target().string() + "\": tipsy writing is not yet built");
}

}  // namespace galtk
