// The bad-input sweep of the binary readers: small valid files of every format cut at
// every length (HDF5: every 7th) and, for GADGET and tipsy, with every byte replaced by
// 0x00, 0x80 and 0xFF. Every read must either give a consistent set or refuse with a FormatError of
// status 1 or 2 whose one-line message names the file; never a crash, a hang, a huge
// allocation or a sanitizer report (the suite runs again under ASan and UBSan).
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include "formats_fixture.hpp"
#include "snapshot_io.hpp"

namespace galtk::test {
namespace {

struct Outcome {
    std::size_t read = 0, refused = 0;
};

// Every case is read from one file in memory (a memfd, opened by its /proc path): the
// sweep does not wait on the disk.
class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("case", 0)), path_("/proc/self/fd/" + std::to_string(fd_)) {}
    ~MemoryFile() { ::close(fd_); }
    const std::filesystem::path& set(const std::string& bytes) {
        EXPECT_EQ(::ftruncate(fd_, 0), 0);
        EXPECT_EQ(::pwrite(fd_, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        return path_;
    }

private:
    int fd_;
    std::filesystem::path path_;
};

void read_one(MemoryFile& file, const std::string& bytes, SnapshotFormat format, bool forced, Outcome& outcome,
              const std::string& label) {
    const std::filesystem::path path = file.set(bytes);
    ReadOptions options;
    if (forced) options.format = format;
    try {
        const ParticleSet s = read_snapshot(path, options);
        ASSERT_TRUE(s.vel.size() == s.size() && s.mass.size() == s.size() && s.type.size() == s.size()) << label;
        ASSERT_TRUE(s.id.empty() || s.id.size() == s.size()) << label;
        ++outcome.read;
    } catch (const FormatError& e) {
        const std::string m = e.what();
        ASSERT_TRUE(e.status == 1 || e.status == 2) << label << ": " << m;
        ASSERT_EQ(m.find('\n'), std::string::npos) << label << ": " << m;
        ASSERT_NE(m.find(path.string()), std::string::npos) << label << ": " << m;
        ++outcome.refused;
    }
}

std::string valid_file(const Scratch& dir, SnapshotFormat format) {
    ParticleSet s = model(6, true);
    if (format == SnapshotFormat::tipsy) s = galmix_like(6);
    s.mass[2] = s.mass[1];  // GADGET: a MASS block of some types, the table of others
    write_snapshot(dir.path("valid"), s, format);
    return file_bytes(dir.path("valid"));
}

TEST(FormatsBadInput, EveryCutAndEveryChangedByteOfGadgetAndTipsy) {
    Scratch dir;
    for (SnapshotFormat f : {SnapshotFormat::gadget1, SnapshotFormat::gadget2, SnapshotFormat::tipsy}) {
        const std::string good = valid_file(dir, f);
        Outcome o;
        MemoryFile file;
        for (std::size_t len = 0; len < good.size(); ++len) {
            read_one(file, good.substr(0, len), f, true, o, std::string(format_name(f)) + " cut at " + std::to_string(len));
            if (HasFatalFailure()) return;
        }
        // Every cut of a binary file is refused: the record markers or the header's
        // counts fix the size exactly.
        EXPECT_EQ(o.read, 0u) << format_name(f);
        for (std::size_t at = 0; at < good.size(); ++at) {
            for (unsigned b : {0x00u, 0x80u, 0xFFu}) {
                std::string bad = good;
                bad[at] = static_cast<char>(b);
                // Detected as the program would: a damaged header may read as another format.
                read_one(file, bad, f, false, o, std::string(format_name(f)) + " byte " + std::to_string(at));
                if (HasFatalFailure()) return;
            }
        }
        EXPECT_GT(o.refused, good.size());
    }
}

TEST(FormatsBadInput, EveryCutOfAnHdf5File) {
    Scratch dir;
    const std::string good = valid_file(dir, SnapshotFormat::hdf5);
    Outcome o;
    MemoryFile file;
    for (std::size_t len = 0; len < good.size(); len += 7) {
        read_one(file, good.substr(0, len), SnapshotFormat::hdf5, true, o, "hdf5 cut at " + std::to_string(len));
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(o.read, 0u);
}

TEST(FormatsBadInput, HeaderCountsBeyondTheFileAllocateNothing) {
    // Counts near the limits in every count field of a GADGET and a tipsy header: each is
    // refused against the file size before any array is made.
    Scratch dir;
    for (SnapshotFormat f : {SnapshotFormat::gadget1, SnapshotFormat::tipsy}) {
        const std::string good = valid_file(dir, f);
        Outcome o;
        MemoryFile file;
        const std::vector<std::size_t> fields =
            f == SnapshotFormat::tipsy ? std::vector<std::size_t>{8, 16, 20, 24}
                                       : std::vector<std::size_t>{4, 8, 12, 16, 20, 24};  // npart (the totals are not read)
        for (std::size_t off : fields) {
            for (std::uint32_t v : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x10000000u}) {
                std::string bad = good;
                if (f == SnapshotFormat::tipsy) v = __builtin_bswap32(v);
                std::memcpy(bad.data() + off, &v, 4);
                read_one(file, bad, f, true, o, std::string(format_name(f)) + " field at " + std::to_string(off));
                if (HasFatalFailure()) return;
            }
        }
        EXPECT_EQ(o.read, 0u) << format_name(f);
    }
}

}  // namespace
}  // namespace galtk::test
