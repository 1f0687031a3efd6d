// The formats library's output file: several outputs of a run replace their earlier files
// together or not at all, links are followed, devices written in place, and nothing is
// left behind by a failure.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "output_file.hpp"
#include "snapshot_io.hpp"
#include "support.hpp"

namespace galtk::test {
namespace {

std::size_t entries(const std::filesystem::path& dir) {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) (void)e, ++n;
    return n;
}

void put(OutputFile& out, const std::string& text) { out.write(text.data(), text.size()); }

TEST(OutputCommit, OutputsTogetherReplaceNothingWhenOneCannotFinish) {
    Scratch s;
    s.write("model.dat", "earlier model\n");
    s.write("profile.txt", "earlier profile\n");
    {
        OutputFile model(s.path("model.dat"));
        put(model, "new model\n");
        OutputFile full("/dev/full");  // every write fails: no space left
        put(full, "the second output\n");
        EXPECT_THROW(commit_together({&model, &full}), FormatError);
    }
    EXPECT_EQ(s.read("model.dat"), "earlier model\n");
    EXPECT_EQ(entries(s.dir()), 2u);  // the model's temporary is gone too

    {
        OutputFile model(s.path("model.dat"));
        OutputFile profile(s.path("profile.txt"));
        put(model, "new model\n");
        put(profile, "new profile\n");
        commit_together({&model, nullptr, &profile});
    }
    EXPECT_EQ(s.read("model.dat"), "new model\n");
    EXPECT_EQ(s.read("profile.txt"), "new profile\n");
    EXPECT_EQ(entries(s.dir()), 2u);
}

TEST(OutputCommit, FollowsLinksAndWritesDevicesInPlace) {
    Scratch s;
    s.write("target.txt", "old\n");
    std::filesystem::create_symlink("target.txt", s.path("link.txt"));
    // A link to a file not yet there: the file appears beside the link, the link stays.
    std::filesystem::create_directory(s.path("sub"));
    std::filesystem::create_symlink("../fresh.txt", s.path("sub/dangling.txt"));
    {
        OutputFile out(s.path("link.txt"));
        put(out, "through the link\n");
        out.commit();
        OutputFile fresh(s.path("sub/dangling.txt"));
        put(fresh, "fresh\n");
        fresh.commit();
    }
    EXPECT_TRUE(std::filesystem::is_symlink(s.path("link.txt")));
    EXPECT_EQ(s.read("target.txt"), "through the link\n");
    EXPECT_TRUE(std::filesystem::is_symlink(s.path("sub/dangling.txt")));
    EXPECT_EQ(s.read("fresh.txt"), "fresh\n");
    EXPECT_EQ(entries(s.dir()), 4u);

    // A device is written, never replaced by a regular file.
    OutputFile null("/dev/null");
    put(null, "discarded\n");
    null.commit();
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_THROW(OutputFile(s.dir()), FormatError);  // a folder
}

TEST(OutputCommit, AFileOfHdf5WrittenByNameIsCommittedWhole) {
    // The HDF5 writer closes the descriptor and writes the temporary by name; finishing
    // it must flush that file, not a closed descriptor.
    Scratch s;
    ParticleSet set;
    set.resize(3);
    for (std::size_t j = 0; j < 3; ++j) set.pos[j] = {float(j), 0.0f, 0.0f}, set.mass[j] = 0.5f, set.type[j] = 1;
    OutputFile a(s.path("a.hdf5")), b(s.path("b.txt"));
    write_snapshot(a, set, SnapshotFormat::hdf5);
    write_snapshot(b, set, SnapshotFormat::text);
    EXPECT_FALSE(s.exists("a.hdf5"));  // nothing appears before the commit
    commit_together({&a, &b});
    const ParticleSet back = read_snapshot(s.path("a.hdf5"));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back.pos[2].x, 2.0f);
    EXPECT_EQ(read_snapshot(s.path("b.txt")).size(), 3u);
}

}  // namespace
}  // namespace galtk::test
