// Snapshot and position list layouts written and read by the shared helpers.
#include "frame_fixture.hpp"
#include "list_reader.hpp"
#include "particle_files.hpp"
#include "position_list.hpp"

namespace galtk::test {
namespace {

using ParticleFilesTest = FrameTest;

TEST_F(ParticleFilesTest, SnapshotWrittenAndReadBack) {
    Unit& u = output(4, "snap.dat");
    const float hpar[5] = {0.1f, 0.1f, 0.1f, 0.1f, 0.1f};
    const float hmass[5] = {1e-3f, 1e-3f, 1e-3f, 1e-3f, 1e-3f};
    write_snapshot_header(u, 2, 0.0f, 4, hpar, hmass);
    const Vec3 p1{}, v1{};
    const Vec3 p2{1.5f, -2.25f, 3e-7f}, v2{0.1f, 0.2f, -0.3f};
    write_particle_record(u, p1, v1, 1);
    write_particle_record(u, p2, v2, 3, 0.125f);
    u.flush();

    auto lines = scratch.lines("snap.dat");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(tokens(lines[0]), (std::vector<std::string>{"2", "0.0"}));
    EXPECT_EQ(tokens(lines[1]), (std::vector<std::string>{"4"}));
    EXPECT_EQ(tokens(lines[2]).size(), 5u);
    EXPECT_EQ(tokens(lines[4]), (std::vector<std::string>{"0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "1"}));
    EXPECT_EQ(tokens(lines[5]).size(), 8u);

    Unit& r = run().open_unit(2, scratch.path("snap.dat").string());
    std::int32_t n = 0, ncomp = 0;
    float t = 1, h[5], m[5];
    read_list(r, {"header"}, n, t);
    read_list(r, {"ncomp"}, ncomp);
    read_list(r, {"hpar"}, reals(h));
    read_list(r, {"hmass"}, reals(m));
    ParticleRecord rec;
    read_particle_record(r, {"record", 1}, rec);
    read_particle_record(r, {"record", 2}, rec);
    EXPECT_EQ(rec.pos, (Vec3{1.5f, -2.25f, 3e-7f}));
    EXPECT_EQ(rec.vel, (Vec3{0.1f, 0.2f, -0.3f}));
    EXPECT_EQ(rec.type, 3);
}

TEST_F(ParticleFilesTest, PositionLineTakesFirstThreeValues) {
    Unit& u = input(3, "pos.dat", "2\n1 2 3 4 5 6 1\n-1,0.5,7\n");
    const std::int32_t n = read_position_count(u, {"count"});
    ASSERT_EQ(n, 2);
    std::vector<Vec3> store;
    read_positions(u, n, store);
    EXPECT_EQ(store, (std::vector<Vec3>{{1, 2, 3}, {-1, 0.5f, 7}}));
}

TEST_F(ParticleFilesTest, PositionsReadOverRowsKeepThemWhereAValueIsNull) {
    // Rows 1 and 2 of a store of 2 read over (row 1 keeps its y), row 3 new (its z, cut
    // off by the slash, stays 0); each stored coordinate is scale * value.
    Unit& u = input(3, "pos.dat", "3\n1,,3\n4 5 6\n7 8 /\n");
    std::vector<Vec3> store = {{-1, -2, -3}, {-4, -5, -6}};
    read_positions(u, read_position_count(u, {"count"}), store, 0.5f, 1);
    EXPECT_EQ(store, (std::vector<Vec3>{{-1, -2, -3}, {0.5f, -2.5f, 1.5f}, {2, 2.5f, 3}, {3.5f, 4, 0}}));
}

TEST_F(ParticleFilesTest, NegativePositionCountIsRefusedWithTheGivenMessage) {
    Unit& u = input(3, "sip3.dat", "-2\n1 2 3\n");
    EXPECT_EXIT(read_position_count(u, {"count"}), ::testing::ExitedWithCode(1),
                "sip3.dat announces -2 positions: the count must be 0 or more");
    const auto custom = [](const Unit& unit, std::int32_t n) { return "count " + std::to_string(n) + " in " + unit.name(); };
    // A file of its own: the first death test's child read on through the shared descriptor.
    Unit& r1 = input(4, "r1.dat", "-2\n1 2 3\n");
    EXPECT_EXIT(read_position_count(r1, {"count"}, custom), ::testing::ExitedWithCode(1), "count -2 in .*r1.dat");
}

TEST_F(ParticleFilesTest, TypeCodeMustBeAnInteger) {
    Unit& u = input(2, "di.dat", "1 2 3 4 5 6 1.0\n");
    EXPECT_EXIT(
        {
            ParticleRecord rec;
            read_particle_record(u, {"disk particle record", 1}, rec);
        },
        ::testing::ExitedWithCode(2), "line 1: disk particle record 1: item 7 of 7: expected an integer, found \"1.0\"");
}

}  // namespace
}  // namespace galtk::test
