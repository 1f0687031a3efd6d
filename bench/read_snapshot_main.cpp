// Reads a snapshot with the formats library and prints its particle count: the time of
// reading alone, against which bench/run.sh sets the conversions of snapconv.
//
//   bench_read_snapshot FILE [FORMAT]
#include <cstdio>

#include "snapshot_io.hpp"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_read_snapshot FILE [text|positions|gadget1|gadget2|hdf5|tipsy]\n");
        return 1;
    }
    galtk::ReadOptions options;
    if (argc > 2) options.format = galtk::parse_format_name(argv[2]);
    try {
        const galtk::ParticleSet set = galtk::read_snapshot(argv[1], options);
        std::printf("%zu particles\n", set.size());
    } catch (const galtk::FormatError& e) {
        std::fprintf(stderr, "bench_read_snapshot: %s\n", e.what());
        return e.status;
    }
    return 0;
}
