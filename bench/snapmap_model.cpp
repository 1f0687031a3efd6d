// Writes the benchmark model of disk_model.hpp with N particles in any format of the
// formats library (for bench/snapmap.sh):
//
//   snapmap_model N FILE [FORMAT]      FORMAT: hdf5 (default), gadget2, text, ...
#include <cstdio>
#include <cstdlib>
#include <string>

#include "disk_model.hpp"
#include "snapshot_io.hpp"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: snapmap_model N FILE [FORMAT]\n");
        return 1;
    }
    const long long n = std::atoll(argv[1]);
    const auto format = galtk::parse_format_name(argc > 3 ? argv[3] : "hdf5");
    if (n < 1 || !format) {
        std::fprintf(stderr, "snapmap_model: expected a count of 1 or more and a format name\n");
        return 1;
    }
    try {
        galtk::write_snapshot(argv[2], bench::disk_model(static_cast<std::size_t>(n)), *format);
    } catch (const galtk::FormatError& e) {
        std::fprintf(stderr, "snapmap_model: %s\n", e.what());
        return e.status;
    }
    return 0;
}
