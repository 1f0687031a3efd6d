// The text snapshot and position list through the formats library: exact reading and
// writing, header lists of any length, 7- and 8-item records, and the failures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "formats_fixture.hpp"
#include "snapshot_io.hpp"
#include "text_snapshot.hpp"

namespace galtk::test {
namespace {

TEST(FormatsText, WriteReadWriteGivesTheSameBytesForBothRecordForms) {
    Scratch dir;
    for (bool eight : {false, true}) {
        const ParticleSet s = model(300, eight, 1);
        write_snapshot(dir.path("a.dat"), s, SnapshotFormat::text);
        const ParticleSet r = read_snapshot(dir.path("a.dat"));
        expect_same_particles(s, r);
        EXPECT_EQ(r.per_particle_mass, eight);
        EXPECT_EQ(r.ncomp, 4);
        EXPECT_EQ(r.softening.size(), 5u);
        write_snapshot(dir.path("b.dat"), r, SnapshotFormat::text);
        EXPECT_EQ(file_bytes(dir.path("a.dat")), file_bytes(dir.path("b.dat")));
        // 7 items a record when the masses are the header's, else 8.
        const auto lines = dir.lines("a.dat");
        EXPECT_EQ(tokens(lines.at(4)).size(), eight ? 8u : 7u);
    }
}

TEST(FormatsText, HeaderListsKeepTheEntriesOfTheirLines) {
    Scratch dir;
    // galmix writes ncomp 4 with four entries, diskgen 4 with five; repeat forms count.
    dir.write("g.dat", " 2 0.5\n 4\n 0.1 0.1 0.1 0.1\n 4*0.5\n 1 2 3 0 0 0 1 0.25\n 4 5 6 0 0 0 1 0.75\n");
    const ParticleSet g = read_snapshot(dir.path("g.dat"));
    EXPECT_EQ(g.softening.size(), 4u);
    EXPECT_EQ(g.type_mass.size(), 4u);
    EXPECT_TRUE(g.per_particle_mass);
    EXPECT_FLOAT_EQ(g.mass[1], 0.75f);
    EXPECT_DOUBLE_EQ(g.time, 0.5);
    dir.write("e.dat", " 1 0.0\n 0\n\n\n 1 2 3 4 5 6 2\n");
    const ParticleSet e = read_snapshot(dir.path("e.dat"));
    EXPECT_TRUE(e.softening.empty());
    EXPECT_EQ(e.type[0], 2);
    EXPECT_EQ(e.mass[0], 0.0f);  // no header mass for code 2
    write_snapshot(dir.path("e2.dat"), e, SnapshotFormat::text);
    EXPECT_EQ(dir.read("e2.dat"), "            1 0.0\n            0\n \n \n 1.0 2.0 3.0 4.0 5.0 6.0           2 0.0\n");
}

TEST(FormatsText, AWordAfterSevenItemsIsACommentNotAMass) {
    Scratch dir;
    dir.write("c.dat", " 1 0.0\n 4\n 5*0.1\n 5*0.5\n 1 2 3 0 0 0 1 ! centre\n");
    const ParticleSet c = read_snapshot(dir.path("c.dat"));
    EXPECT_FALSE(c.per_particle_mass);
    EXPECT_FLOAT_EQ(c.mass[0], 0.5f);
}

TEST(FormatsText, ADerivedHeaderIsReadableByGalmixAndDiskbulge) {
    // No text header (a position list or a binary input): five entries and ncomp 4 while
    // codes stay below 5, the shared mass of each code, 7 items when masses match.
    Scratch dir;
    dir.write("p.txt", " 2\n 1 2 3\n 4 5 6\n");
    ReadOptions o;
    o.position_mass = 0.5f;
    EXPECT_EQ(detect_format(dir.path("p.txt")), SnapshotFormat::positions);
    const ParticleSet p = read_snapshot(dir.path("p.txt"), o);
    EXPECT_EQ(p.type[1], 1);
    EXPECT_EQ(p.vel[1], Vec3{});
    write_snapshot(dir.path("p.dat"), p, SnapshotFormat::text);
    EXPECT_EQ(dir.read("p.dat"), "            2 0.0\n            4\n 0.0 0.0 0.0 0.0 0.0\n 0.0 0.5 0.0 0.0 0.0\n"
                                 " 1.0 2.0 3.0 0.0 0.0 0.0           1\n 4.0 5.0 6.0 0.0 0.0 0.0           1\n");
    ParticleSet six = p;
    six.ncomp.reset();
    six.softening.clear();
    six.type_mass.clear();
    six.type[0] = 5;
    six.mass[1] = 0.25f;
    write_snapshot(dir.path("six.dat"), six, SnapshotFormat::text);
    const auto lines = dir.lines("six.dat");
    EXPECT_EQ(lines.at(1), "            6");
    EXPECT_EQ(tokens(lines.at(3)).size(), 6u);
    EXPECT_EQ(lines.at(3), " 0.0 0.25 0.0 0.0 0.0 0.5");
}

TEST(FormatsText, CountingListValues) {
    EXPECT_EQ(count_list_values("", 64), 0u);
    EXPECT_EQ(count_list_values(" 1 2, 3", 64), 3u);
    EXPECT_EQ(count_list_values("3*0.5 2*", 64), 5u);
    EXPECT_EQ(count_list_values(",1,,2,", 64), 4u);  // a null first, one between, none last
    EXPECT_EQ(count_list_values("1 2 / 3 4", 64), 2u);
    EXPECT_EQ(count_list_values("999999999999*1", 64), 64u);
}

TEST(FormatsText, FailuresNameTheFileRecordAndItem) {
    Scratch dir;
    dir.write("bad.dat", " 2 0.0\n 4\n 5*0.1\n 5*0.5\n 1 2 3 0 0 0 1\n 1 2 3 0 0 0 x\n");
    FormatError e = format_error_of([&] { read_snapshot(dir.path("bad.dat")); });
    EXPECT_EQ(e.status, 2);
    const std::string m = e.what();
    EXPECT_EQ(m.rfind("read failed, file \"" + dir.path("bad.dat").string() + "\", line 6: particle record 2: item 7 of 7", 0), 0u) << m;
    dir.write("neg.dat", " -3 0.0\n 4\n");
    EXPECT_NE(std::string(format_error_of([&] { read_snapshot(dir.path("neg.dat")); }).what()).find("negative"),
              std::string::npos);
    dir.write("short.dat", " 3 0.0\n 4\n 5*0.1\n 5*0.5\n 1 2 3 0 0 0 1\n");
    EXPECT_NE(std::string(format_error_of([&] { read_snapshot(dir.path("short.dat")); }).what()).find("particle record 2"),
              std::string::npos);
    // A count far beyond what the file holds ends at the file's end, without reserving it.
    dir.write("huge.dat", " 2000000000 0.0\n 4\n 5*0.1\n 5*0.5\n 1 2 3 0 0 0 1\n");
    EXPECT_EQ(format_error_of([&] { read_snapshot(dir.path("huge.dat")); }).status, 2);
    EXPECT_EQ(format_error_of([&] { read_snapshot(dir.path("absent.dat")); }).status, 2);
}

TEST(FormatsText, ATypeCodeBeyondTheMassListIsRefusedNotWeighedZero) {
    // Two particles of 0.5: the second's code has no mass entry, which would read as a
    // total mass of 0.5; negative codes have no entry either.
    Scratch dir;
    for (const char* code : {"1", "7", "-1"}) {
        SCOPED_TRACE(code);
        dir.write("m.dat", std::string(" 2 0.0\n 1\n 0.1\n 0.5\n 1 2 3 0 0 0 0\n 4 5 6 0 0 0 ") + code + "\n");
        const FormatError e = format_error_of([&] { read_snapshot(dir.path("m.dat")); });
        EXPECT_EQ(e.status, 2);
        const std::string m = e.what();
        EXPECT_NE(m.find("line 6: particle record 2"), std::string::npos) << m;
        EXPECT_NE(m.find(std::string("type code ") + code + " lies beyond the header's mass list (line 4 has 1 entries)"),
                  std::string::npos) << m;
    }
    // The last entry is still inside; eight-item records carry their own mass.
    dir.write("in.dat", " 2 0.0\n 1\n 0.1\n 0.25 0.5\n 1 2 3 0 0 0 0\n 4 5 6 0 0 0 1\n");
    EXPECT_EQ(read_snapshot(dir.path("in.dat")).mass[1], 0.5f);
    dir.write("own.dat", " 1 0.0\n 1\n 0.1\n 0.5\n 4 5 6 0 0 0 9 0.75\n");
    EXPECT_EQ(read_snapshot(dir.path("own.dat")).mass[0], 0.75f);
}

TEST(FormatsText, NonFiniteValuesAreRefusedUnlessAllowed) {
    Scratch dir;
    dir.write("n.dat", " 2 0.0\n 4\n 5*0.1\n 5*0.5\n 1 2 3 0 0 0 1\n 1 NaN 3 0 0 0 1\n");
    FormatError e = format_error_of([&] { read_snapshot(dir.path("n.dat")); });
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(std::string(e.what()).find("particle 1 (0-based): position is not finite"), std::string::npos);
    ReadOptions allow;
    allow.allow_nonfinite = true;
    EXPECT_EQ(read_snapshot(dir.path("n.dat"), allow).size(), 2u);
    // Velocities may be anything; masses may not.
    dir.write("m.dat", " 1 0.0\n 4\n 5*0.1\n 5*0.5\n 1 2 3 Inf 0 0 1 -Infinity\n");
    EXPECT_NE(std::string(format_error_of([&] { read_snapshot(dir.path("m.dat")); }).what()).find("mass"),
              std::string::npos);
}

TEST(FormatsText, AFailedWriteLeavesTheEarlierFileAndNoTemporary) {
    Scratch dir;
    dir.write("out.dat", "earlier\n");
    ParticleSet s = model(10, false, 1);
    s.pos[3].y = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(format_error_of([&] { write_snapshot(dir.path("out.dat"), s, SnapshotFormat::text); }).status, 1);
    EXPECT_EQ(dir.read("out.dat"), "earlier\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.dir()), {}), 1);
    // An output folder that does not exist: status 2, nothing written anywhere.
    EXPECT_EQ(format_error_of([&] { write_snapshot(dir.path("no/such/out.dat"), model(2, false, 1), SnapshotFormat::text); })
                  .status,
              2);
}

TEST(FormatsText, LinksAreFollowedPipesWrittenDirectlyFoldersRefused) {
    Scratch dir;
    const ParticleSet s = model(5, false, 1);
    // A link (even to a file not yet there) stays a link; its target gets the data.
    std::filesystem::create_symlink("target.dat", dir.path("link.dat"));
    write_snapshot(dir.path("link.dat"), s, SnapshotFormat::text);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("link.dat")));
    EXPECT_EQ(read_snapshot(dir.path("target.dat")).size(), 5u);
    // A pipe is written into, never replaced by a file (as /dev/null must not be).
    ASSERT_EQ(::mkfifo(dir.path("pipe").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = file_bytes(dir.path("pipe")); });
    write_snapshot(dir.path("pipe"), s, SnapshotFormat::text);
    reader.join();
    EXPECT_TRUE(std::filesystem::is_fifo(dir.path("pipe")));
    write_snapshot(dir.path("plain.dat"), s, SnapshotFormat::text);
    EXPECT_EQ(received, dir.read("plain.dat"));
    std::filesystem::create_directory(dir.path("folder"));
    EXPECT_NE(std::string(format_error_of([&] { write_snapshot(dir.path("folder"), s, SnapshotFormat::text); }).what())
                  .find("it is a folder"),
              std::string::npos);
}

}  // namespace
}  // namespace galtk::test
