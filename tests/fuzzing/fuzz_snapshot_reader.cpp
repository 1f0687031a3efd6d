// libFuzzer target for the binary snapshot readers of the formats library, built once per
// reader (run_fuzz_formats.sh): -DGALTK_FUZZ_FORMAT=gadget1 (both GADGET formats: the
// reader tells them apart), hdf5 or tipsy.
//
// Each input is written to a file and read with that format forced. Checked on every
// input, besides the absence of crashes and sanitizer reports:
//  1. A refused file is a FormatError with status 1 or 2 and a one-line message that
//     names the file.
//  2. A file read gives a set whose arrays agree in length (IDs empty or one per particle).
//  3. That set written in the same format and read again gives the same positions,
//     velocities and masses, bit for bit.
//  4. Unless the writer said what its format cannot give back, the text header written
//     from the set read again (ncomp, both lists, 7 or 8 items) is the one written from
//     the set before.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "snapshot_io.hpp"
#include "text_header.hpp"

#define GALTK_STRINGIFY2(x) #x
#define GALTK_STRINGIFY(x) GALTK_STRINGIFY2(x)

namespace {

const galtk::SnapshotFormat format = *galtk::parse_format_name(GALTK_STRINGIFY(GALTK_FUZZ_FORMAT));

std::string scratch_path(const char* leaf) {
    static const std::string dir = [] {
        char name[] = "/tmp/galtk-fuzz-XXXXXX";
        if (!::mkdtemp(name)) std::abort();
        return std::string(name);
    }();
    return dir + "/" + leaf;
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

// An empty model compares equal without touching its (null) array pointers.
bool same_bits(const void* a, const void* b, std::size_t n) { return n == 0 || std::memcmp(a, b, n) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in = scratch_path("input");
    {
        const int fd = ::open(in.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        check(fd >= 0 && ::write(fd, data, size) == static_cast<ssize_t>(size), "the input is written");
        ::close(fd);
    }
    galtk::ReadOptions options;
    options.format = format;
    options.allow_nonfinite = true;
    galtk::ParticleSet set;
    try {
        set = galtk::read_snapshot(in, options);
    } catch (const galtk::FormatError& e) {
        const std::string m = e.what();
        check(e.status == 1 || e.status == 2, "status 1 or 2");
        check(!m.empty() && m.find('\n') == std::string::npos, "one line");
        check(m.find(in) != std::string::npos, "the message names the file");
        return 0;
    }
    const std::size_t n = set.size();
    check(set.vel.size() == n && set.mass.size() == n && set.type.size() == n, "arrays of one length");
    check(set.id.empty() || set.id.size() == n, "IDs empty or one per particle");

    const std::string out = scratch_path("output");
    galtk::WriteOptions write;
    write.allow_nonfinite = true;
    std::string lost;
    try {
        lost = galtk::write_snapshot(out, set, format == galtk::SnapshotFormat::gadget2 ? galtk::SnapshotFormat::gadget1 : format,
                              write);
    } catch (const galtk::FormatError& e) {
        // A set the format cannot hold again (type codes of another writer's file are
        // always 0..5; counts beyond a header field): refused, not half-written.
        check(e.status == 1 || e.status == 2, "write status 1 or 2");
        return 0;
    }
    galtk::ReadOptions again = options;
    if (format == galtk::SnapshotFormat::gadget2) again.format = galtk::SnapshotFormat::gadget1;
    const galtk::ParticleSet back = galtk::read_snapshot(out, again);
    check(back.size() == n, "the same count after writing");
    if (lost.empty()) {
        const galtk::TextHeader a = galtk::text_header_of(set), b = galtk::text_header_of(back);
        check(a.ncomp == b.ncomp && a.eight_items == b.eight_items, "ncomp and the record length kept");
        check(a.softening.size() == b.softening.size() &&
                  same_bits(a.softening.data(), b.softening.data(), 4 * a.softening.size()),
              "softenings kept");
        check(a.type_mass.size() == b.type_mass.size() &&
                  same_bits(a.type_mass.data(), b.type_mass.data(), 4 * a.type_mass.size()),
              "type masses kept");
    }
    // The particles may come back in another order when the IDs were a permutation the
    // first read did not restore; compare as the writer ordered them only when in order.
    if (set.id.empty() && back.id.empty()) {
        check(same_bits(set.pos.data(), back.pos.data(), 12 * n), "positions kept");
        check(same_bits(set.vel.data(), back.vel.data(), 12 * n), "velocities kept");
        check(same_bits(set.mass.data(), back.mass.data(), 4 * n), "masses kept");
    }
    return 0;
}
