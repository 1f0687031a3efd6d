// HDF5 files beyond the toolkit's own layout: the metadata of the files we write under
// checksums (a damaged file refused, not parsed), and compressed datasets of other
// writers read, with the check for data never written kept where it means damage.
#include <gtest/gtest.h>

#include <hdf5.h>

#include <csignal>
#include <cstdlib>
#include <vector>

#include "formats_fixture.hpp"
#include "hdf5_guard.hpp"
#include "snapshot_io.hpp"

namespace galtk::test {
namespace {

// A one-type snapshot as SWIFT's or h5py's users write it: `n` particles of type 1 in
// chunked datasets of `chunk` rows, compressed: shuffle + deflate, and for the constant
// velocities and masses first the scale-offset filter (as SWIFT's lossy compression
// does), which stores constant values in no bits at all. Deflate alone stops near
// 1030:1. The first `written` rows of the masses are written (the rest never).
void write_compressed(const std::filesystem::path& path, hsize_t n, hsize_t chunk, hsize_t written, float mass) {
    const hid_t f = H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    ASSERT_GE(f, 0);
    const hid_t h = H5Gcreate2(f, "Header", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    const int counts[6] = {0, static_cast<int>(n), 0, 0, 0, 0};
    const hsize_t six = 6;
    const hid_t s6 = H5Screate_simple(1, &six, nullptr);
    const hid_t a = H5Acreate2(h, "NumPart_ThisFile", H5T_STD_I32LE, s6, H5P_DEFAULT, H5P_DEFAULT);
    H5Awrite(a, H5T_NATIVE_INT, counts);
    H5Aclose(a);
    H5Sclose(s6);
    H5Gclose(h);
    const hid_t g = H5Gcreate2(f, "PartType1", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    auto dataset = [&](const char* name, hid_t type, hid_t memory, int cols, const void* data, hsize_t rows,
                       bool constant) {
        const hsize_t dims[2] = {n, hsize_t(cols)}, chunks[2] = {chunk, hsize_t(cols)};
        const int rank = cols == 1 ? 1 : 2;
        const hid_t space = H5Screate_simple(rank, dims, nullptr);
        const hid_t dcpl = H5Pcreate(H5P_DATASET_CREATE);
        H5Pset_chunk(dcpl, rank, chunks);
        if (constant)
            H5Pset_scaleoffset(dcpl, H5Z_SO_FLOAT_DSCALE, 3);
        else
            H5Pset_shuffle(dcpl);
        H5Pset_deflate(dcpl, 9);
        const hid_t d = H5Dcreate2(g, name, type, space, H5P_DEFAULT, dcpl, H5P_DEFAULT);
        ASSERT_GE(d, 0);
        const hsize_t start[2] = {0, 0}, count[2] = {rows, hsize_t(cols)};
        const hid_t memory_space = H5Screate_simple(rank, count, nullptr);
        H5Sselect_hyperslab(space, H5S_SELECT_SET, start, nullptr, count, nullptr);
        ASSERT_GE(H5Dwrite(d, memory, memory_space, space, H5P_DEFAULT, data), 0);
        H5Sclose(memory_space);
        H5Dclose(d);
        H5Pclose(dcpl);
        H5Sclose(space);
    };
    std::vector<float> pos(3 * n), vel(3 * n, 0.0f), masses(n, mass);
    std::vector<unsigned> ids(n);
    for (hsize_t i = 0; i < n; ++i) {
        pos[3 * i] = varied(unsigned(i), 1), pos[3 * i + 1] = varied(unsigned(i), 2), pos[3 * i + 2] = varied(unsigned(i), 3);
        ids[i] = unsigned(i + 1);
    }
    dataset("Coordinates", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, 3, pos.data(), n, false);
    dataset("Velocities", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, 3, vel.data(), n, true);
    dataset("ParticleIDs", H5T_STD_U32LE, H5T_NATIVE_UINT, 1, ids.data(), n, false);
    dataset("Masses", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, 1, masses.data(), written, true);
    H5Gclose(g);
    H5Fclose(f);
}

double stored_ratio(const std::filesystem::path& path, const char* dataset) {
    const hid_t f = H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
    const hid_t d = H5Dopen2(f, dataset, H5P_DEFAULT);
    const double ratio = double(H5Dget_storage_size(d)) > 0 ? 4.0 * 3 * 200000 / double(H5Dget_storage_size(d)) : 0;
    H5Dclose(d);
    H5Fclose(f);
    return ratio;
}

TEST(FormatsHdf5Files, CompressedConstantDataAreReadAndUnwrittenChunksRefused) {
    Scratch dir;
    const hsize_t n = 200000;
    write_compressed(dir.path("zero.hdf5"), n, n, n, 0.5f);
    // The case at stake: zero velocities stored far smaller than 1024:1.
    ASSERT_GT(stored_ratio(dir.path("zero.hdf5"), "PartType1/Velocities"), 1024.0);
    const ParticleSet set = read_snapshot(dir.path("zero.hdf5"));
    ASSERT_EQ(set.size(), n);
    EXPECT_EQ(set.mass[n - 1], 0.5f);
    EXPECT_EQ(set.vel[n / 2].z, 0.0f);
    EXPECT_EQ(set.pos[n - 1].y, varied(unsigned(n - 1), 2));

    // Of four chunks only the first written: the rest of the masses were never stored.
    write_compressed(dir.path("part.hdf5"), n, n / 4, n / 4, 0.5f);
    try {
        read_snapshot(dir.path("part.hdf5"));
        ADD_FAILURE() << "a dataset with unwritten chunks was read";
    } catch (const FormatError& e) {
        EXPECT_EQ(e.status, 2);
        const std::string what = e.what();
        EXPECT_NE(what.find("PartType1/Masses"), std::string::npos) << what;
        EXPECT_NE(what.find("1 of its 4 chunks"), std::string::npos) << what;
    }
}

// Every object header of a file of ours is under a checksum: a flipped byte anywhere in
// the metadata is refused with the file's name, never parsed into a crash or wrong data.
TEST(FormatsHdf5Files, OurMetadataCarriesChecksumsSoDamageIsRefused) {
    Scratch dir;
    const ParticleSet set = model(300, true);
    write_snapshot(dir.path("ours.hdf5"), set, SnapshotFormat::hdf5);
    const std::string bytes = file_bytes(dir.path("ours.hdf5"));
    ASSERT_GT(bytes.size(), 16u);
    EXPECT_EQ(static_cast<int>(bytes[8]), 2) << "superblock version";
    // The bytes of the particle data are not checksummed; the metadata are everything
    // before the first dataset's values and the headers between them. Flip bytes in
    // every object header (signature "OHDR") and in the superblock.
    // No object header stores times (flag bit 5 of a version 2 header): the same model
    // written twice gives the same bytes, the root group included.
    for (std::size_t p = bytes.find("OHDR"); p != std::string::npos; p = bytes.find("OHDR", p + 4)) {
        ASSERT_EQ(bytes[p + 4], 2) << "object header at " << p;
        EXPECT_EQ(bytes[p + 5] & 0x20, 0) << "object header at " << p << " carries times";
    }
    std::vector<std::size_t> at = {9, 20, 30, 44};
    for (std::size_t p = bytes.find("OHDR"); p != std::string::npos; p = bytes.find("OHDR", p + 4))
        for (std::size_t k : {6u, 13u, 25u}) at.push_back(p + k);
    ASSERT_GT(at.size(), 20u);
    std::size_t refused = 0;
    for (std::size_t p : at) {
        std::string damaged = bytes;
        damaged[p] = static_cast<char>(damaged[p] ^ 0x5a);
        put_bytes(dir.path("bad.hdf5"), damaged);
        try {
            const ParticleSet back = read_snapshot(dir.path("bad.hdf5"));
            ADD_FAILURE() << "byte " << p << " flipped and the file was read (" << back.size() << " particles)";
        } catch (const FormatError& e) {
            EXPECT_EQ(e.status, 2);
            EXPECT_NE(std::string(e.what()).find("bad.hdf5"), std::string::npos) << e.what();
            ++refused;
        }
    }
    EXPECT_EQ(refused, at.size());
}

}  // namespace
}  // namespace galtk::test

namespace galtk::test {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
constexpr bool sanitized_build = true;
#else
constexpr bool sanitized_build = false;
#endif

// The metadata walk runs in a child: a signal there is the usual error naming the file,
// whatever handler the parent has; a refusal or a clean walk lets the read go on. In a
// sanitized build the sanitizer's own handlers catch SIGSEGV and SIGBUS in the child and
// the guard tells by the stack whose fault it was: raised here, outside libhdf5, it is
// the toolkit's own, and the run must stop so that the sanitizer's report counts.
TEST(FormatsHdf5Files, ACrashWhileWalkingTheMetadataIsAnErrorNotASignal) {
    struct sigaction ours {}, before {};
    ours.sa_handler = [](int) { std::_Exit(99); };  // a parent handler that must not run
    if (!sanitized_build) sigaction(SIGSEGV, &ours, &before);
    const std::vector<int> refused = sanitized_build ? std::vector<int>{SIGABRT} : std::vector<int>{SIGSEGV, SIGBUS, SIGABRT};
    for (int sig : refused) {
        try {
            h5::walk_metadata_guarded("damaged.hdf5", [sig] { std::raise(sig); });
            ADD_FAILURE() << "signal " << sig << " passed unseen";
        } catch (const FormatError& e) {
            EXPECT_EQ(e.status, 2);
            const std::string what = e.what();
            EXPECT_EQ(what.rfind("file \"damaged.hdf5\": damaged HDF5 metadata: libhdf5 ended with signal " +
                                     std::to_string(sig), 0),
                      0u)
                << what;
        }
    }
    if (sanitized_build) {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EXPECT_DEATH(h5::walk_metadata_guarded("damaged.hdf5", [] { std::raise(SIGBUS); }),
                     "the metadata walk in the toolkit's own code");
    }
    if (!sanitized_build) sigaction(SIGSEGV, &before, nullptr);
    int walked = 0;  // the child's copy changes, the parent's not
    EXPECT_NO_THROW(h5::walk_metadata_guarded("f.hdf5", [&] { ++walked; }));
    EXPECT_NO_THROW(h5::walk_metadata_guarded("f.hdf5", [] { throw FormatError(2, "refused"); }));
    EXPECT_EQ(walked, 0);
}

}  // namespace
}  // namespace galtk::test
