// Files that crash libhdf5 itself (found by the HDF5 fuzz target: a corrupted object
// header sends H5Aexists past its buffer) are refused in one line, status 2, in every
// build: in the sanitizer build too, where the sanitizer, not a signal, stops the child
// that walks the metadata and the guard must still see the library's fault as a refusal.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "snapshot_io.hpp"

namespace galtk {
namespace {

std::vector<std::filesystem::path> damaged_files() {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(GALTK_SOURCE_DIR "/tests/fuzzing/corpus_hdf5"))
        if (e.path().filename().string().rfind("libhdf5_damaged_object_header_", 0) == 0) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(Hdf5Guard, FilesThatCrashLibhdf5AreRefusedInOneLine) {
    const auto files = damaged_files();
    ASSERT_GE(files.size(), 11u);
    for (const auto& f : files) {
        SCOPED_TRACE(f.filename().string());
        try {
            ReadOptions options;
            options.format = SnapshotFormat::hdf5;
            (void)read_snapshot(f, options);
            ADD_FAILURE() << "read";
        } catch (const FormatError& e) {
            const std::string m = e.what();
            EXPECT_EQ(e.status, 2) << m;
            EXPECT_EQ(m.find('\n'), std::string::npos) << m;
            EXPECT_NE(m.find(f.string()), std::string::npos) << m;
        }
    }
}

}  // namespace
}  // namespace galtk
