// Binding of units to files: created empty, unchanged when not written, started afresh
// by the first write, released on re-binding; failures of open and write.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "frame_fixture.hpp"
#include "list_reader.hpp"
#include "list_writer.hpp"

namespace galtk::test {
namespace {

using UnitsTest = FrameTest;

TEST_F(UnitsTest, AbsentFileIsCreatedEmptyAndPresentFileKeptWhenNotWritten) {
    scratch.write("kept.dat", "old contents\n");
    output(1, "new.dat");
    output(2, "kept.dat");
    run().finish();
    EXPECT_TRUE(scratch.exists("new.dat"));
    EXPECT_EQ(scratch.read("new.dat"), "");
    EXPECT_EQ(scratch.read("kept.dat"), "old contents\n");
}

TEST_F(UnitsTest, FirstWriteStartsTheFileAfresh) {
    scratch.write("out.dat", "a much longer line from an earlier run\nand a second one\n");
    Unit& u = output(1, "out.dat");
    write_list(u, std::int32_t{1});
    run().finish();
    EXPECT_EQ(scratch.read("out.dat"), "            1\n");
}

TEST_F(UnitsTest, RebindingReleasesAndSameNameKeepsPosition) {
    scratch.write("m1", "1\n2\n3\n");
    scratch.write("m2", "20\n");
    Unit& u = input(10, "m1", "1\n2\n3\n");
    float v;
    read_list(u, {"value"}, v);
    Unit& same = run().open_unit(10, scratch.path("m1").string());
    read_list(same, {"value"}, v);
    EXPECT_EQ(v, 2.0f);  // same name: nothing changed, reading goes on
    Unit& other = run().open_unit(10, scratch.path("m2").string());
    read_list(other, {"value"}, v);
    EXPECT_EQ(v, 20.0f);
}

TEST_F(UnitsTest, OutputWrittenBeforeAFailedReadStays) {
    Unit& out = output(1, "out.dat");
    Unit& in = input(2, "in.dat", "");
    EXPECT_EXIT(
        {
            write_list(out, "before", 1.5f);
            write_list(run().console(), "console line");
            float v;
            read_list(in, {"value"}, v);
        },
        ::testing::ExitedWithCode(2), "an empty file");
    EXPECT_EQ(scratch.read("out.dat"), " before 1.5\n");
}

TEST_F(UnitsTest, WriteToAFullDeviceFailsWithStatus2) {
    std::filesystem::create_symlink("/dev/full", scratch.path("full.dat"));
    Unit& u = output(1, "full.dat");
    EXPECT_EXIT(
        {
            write_list(u, 1.0f);
            run().finish();
            std::exit(0);
        },
        ::testing::ExitedWithCode(2), "frametest: write failed on unit 1, file \".*full.dat\": No space left on device");
}

TEST_F(UnitsTest, UnopenableFileFailsWithStatus2) {
    std::filesystem::create_directory(scratch.path("sub"));
    std::filesystem::path p = scratch.path("sub") / "missing" / "x.dat";
    EXPECT_EXIT(run().open_unit(3, p.string()), ::testing::ExitedWithCode(2),
                "frametest: cannot open unit 3, file .*x.dat.*No such file or directory");
}

TEST_F(UnitsTest, ReadOnlyInputIsStillReadable) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores file permissions";
    scratch.write("ro.dat", "5\n");
    ::chmod(scratch.path("ro.dat").c_str(), 0444);
    Unit& u = run().open_unit(1, scratch.path("ro.dat").string());
    std::int32_t v;
    read_list(u, {"value"}, v);
    EXPECT_EQ(v, 5);
}

}  // namespace
}  // namespace galtk::test
