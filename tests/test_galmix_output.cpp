// galmix end to end: the written model "tinit.dat" (header, component order, scaling,
// centre particle, per-particle masses) and the mass lines on the console.
#include "frame_fixture.hpp"
#include "list_reader.hpp"
#include "test_galmix_case.hpp"

namespace galtk::test {
namespace {

using namespace galmix_case;

float console_real(const RunResult& r, std::string_view label, std::size_t index = 0) {
    const std::vector<std::string> v = console_values(r, label);
    if (index >= v.size()) {
        ADD_FAILURE() << "no value " << index << " after \"" << label << "\" in\n" << r.out;
        return 0.0f;
    }
    return as_real(v[index]);
}

TEST(GalmixOutput, ComponentsInOrderScaledWithCentreParticleAndMasses) {
    Scratch dir;
    GalmixCase c;
    c.rdisk = 2.0f;
    c.rgal = 3.0f;
    c.s = {.fspi = 0.25f, .fbul = 0.1f, .bscale = 2.0f, .fbar = 0.25f, .bara = 1.5f, .barb = 1.5f,
           .fr1 = 0.0f, .fr2 = 0.0f};
    // fdisk = ((0.75 - 0.25) - 0) - 0 = 0.5 exactly
    c.disk = {{7, 8, 9}, {1, -1, 0.5f}, {4, 4, 4}, {1, -1, 0.5f}};
    c.spiral = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    c.inner_ring = {{1, -1, 0.5f}};
    c.outer_ring = {{1, -1, 0.5f}};
    c.bulge = {{1, -1, 0.5f}};
    c.write(dir);
    const RunResult r = dir.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;

    expect_console(r, {"fdisk", "n_d,n_p (disk + spiral)", "fbul,nbu", "num,nbar,nspi,nr1,nr2,nbu", "",
                       "tmp, disk", "center particle", "totm (d)", "tmp, nbar", "totm (b)", "tmp, spiral",
                       "totm (s)", "tmp, inner ring", "totm (r1)", "tmp, outer ring", "totm (r2)", "tmp, bulge",
                       "totm"});
    EXPECT_EQ(console_values(r, "tmp, disk"), (std::vector<std::string>{"0.125", "4"}));
    EXPECT_EQ(console_values(r, "center particle"), (std::vector<std::string>{"0.0", "0.0", "0.0"}));
    EXPECT_EQ(bits(console_real(r, "totm (d)")), bits(0.5f));
    EXPECT_EQ(console_values(r, "tmp, bulge").size(), 3u);

    // Header: ntot and thead, ncomp, five hpar as read, five masses 1/ntot.
    const std::vector<std::string> lines = dir.lines("tinit.dat");
    ASSERT_EQ(lines.size(), 4u + 12u);
    EXPECT_EQ(tokens(lines[0]), (std::vector<std::string>{"12", "2.5"}));
    EXPECT_EQ(tokens(lines[1]), (std::vector<std::string>{"5"}));
    const std::vector<float> hpar = reals_of(lines[2]);
    ASSERT_EQ(hpar.size(), 5u);
    for (std::size_t j = 0; j < 5; ++j) EXPECT_EQ(bits(hpar[j]), bits(c.hpar[j]));
    for (float m : reals_of(lines[3])) EXPECT_EQ(bits(m), bits(1.0f / 12.0f));

    const std::vector<std::string> rec = model_records(dir);
    const Vec3 scaled{6, -6, 3};  // (2 * c) * 3
    // disk: the centre particle replaces (7, 8, 9); bar: the two copies of (1, -1, 0.5)
    expect_record(rec[0], {0, 0, 0}, 0.125f);
    expect_record(rec[1], scaled, 0.125f);
    expect_record(rec[2], {24, 24, 24}, 0.125f);
    expect_record(rec[3], scaled, 0.125f);
    expect_record(rec[4], scaled, 0.125f);
    expect_record(rec[5], scaled, 0.125f);
    for (int i = 6; i < 9; ++i) expect_record(rec[i], {6, 6, 6}, 0.25f / 3.0f);
    expect_record(rec[9], scaled, 0.0f);
    expect_record(rec[10], scaled, 0.0f);
    expect_record(rec[11], scaled, 0.1f);  // rgal * (bscale * c): rdisk does not apply

    // The running total is never reset, and the rings' zero masses leave it alone.
    float totm = 0.0f;
    for (int i = 0; i < 4; ++i) totm = totm + 0.125f;
    for (int i = 0; i < 2; ++i) totm = totm + 0.125f;
    EXPECT_EQ(bits(console_real(r, "totm (b)")), bits(totm));
    for (int i = 0; i < 3; ++i) totm = totm + 0.25f / 3.0f;
    EXPECT_EQ(bits(console_real(r, "totm (s)")), bits(totm));
    EXPECT_EQ(bits(console_real(r, "totm (r2)")), bits(totm));
    EXPECT_EQ(bits(console_real(r, "totm")), bits(totm + 0.1f));
}

// rdisk first, then rgal: (rdisk * c) * rgal, each product rounded. With rdisk 1.1 and
// rgal 0.7 these coordinates round differently in the other order, rdisk * (c * rgal).
TEST(GalmixOutput, DiskSideScalingMultipliesByRdiskFirstThenRgal) {
    Scratch dir;
    GalmixCase c;
    c.rdisk = 1.1f;
    c.rgal = 0.7f;
    c.s = {.fspi = 0.25f, .fbul = 0.1f, .bscale = 1.0f, .fbar = 0.25f, .bara = 9.0f, .barb = 9.0f,
           .fr1 = 0.05f, .fr2 = 0.05f};
    const std::vector<Vec3> odd = {{3.0f, -2.5f, 0.3f}, {1.7f, 0.2f, 3.0f}};
    c.disk = {{50, 50, 5}, odd[0], odd[1]};  // the first: the centre particle, outside the bar
    c.spiral = odd;
    c.inner_ring = odd;
    c.outer_ring = odd;
    c.bulge = odd;
    c.write(dir);
    const RunResult r = dir.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;

    auto rdisk_then_rgal = [&](const Vec3& p) {
        Vec3 q;
        for (int k = 0; k < 3; ++k) {
            const float first = c.rdisk * p[k];
            q[k] = first * c.rgal;
            const float rgal_first = p[k] * c.rgal;
            EXPECT_NE(bits(q[k]), bits(c.rdisk * rgal_first)) << "the two orders must differ for " << p[k];
        }
        return q;
    };
    const std::vector<std::string> rec = model_records(dir);
    // disk (centre and two), bar (the same two: the ellipse holds all but the first),
    // spiral, inner ring, outer ring, bulge: two each.
    ASSERT_EQ(rec.size(), 3u + 2u * 5u);
    std::size_t i = 1;
    for (int component = 0; component < 5; ++component)
        for (const Vec3& p : odd) {
            const Vec3 q = rdisk_then_rgal(p);
            const std::vector<float> got = reals_of(rec[i]);
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(bits(got[static_cast<std::size_t>(k)]), bits(q[k])) << "record " << i + 1 << ": " << rec[i];
            ++i;
        }
    // The bulge: rgal only (bscale 1).
    for (const Vec3& p : odd) {
        const std::vector<float> got = reals_of(rec[i++]);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(bits(got[static_cast<std::size_t>(k)]), bits(c.rgal * p[k]));
    }
}

TEST(GalmixOutput, RunningTotalAddsInWritingOrder) {
    Scratch dir;
    GalmixCase c;
    c.idisk = 0;
    c.s = {.fspi = 0.2f, .fbul = 0.0f, .bscale = 1.0f, .fbar = 0.2f, .bara = 2.0f, .barb = 1.0f,
           .fr1 = 0.0f, .fr2 = 0.0f};
    c.disk = {{0.5f, 0, 0}, {-0.5f, 0, 0}};
    c.spiral.assign(4, Vec3{3, 3, 3});
    c.write(dir);
    const RunResult r = dir.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bits(console_real(r, "totm (b)")), bits(0.2f));
    EXPECT_EQ(bits(console_real(r, "tmp, spiral")), bits(0.05f));
    EXPECT_EQ(bits(console_real(r, "totm (s)")), bits(0.40000004f));
    EXPECT_NE(bits(console_real(r, "totm (s)")), bits(0.4f));
}

TEST(GalmixOutput, HeaderCarriesNcompEntries) {
    Scratch dir;
    GalmixCase c;
    c.ncomp = 2;
    c.s.fbar = 0.0f;
    c.disk.assign(4, Vec3{1, 2, 3});
    c.spiral.assign(4, Vec3{1, 2, 3});
    c.write(dir);
    const RunResult r = dir.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = dir.lines("tinit.dat");
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(tokens(lines[0])[0], "8");
    EXPECT_EQ(tokens(lines[1]), (std::vector<std::string>{"2"}));
    const std::vector<float> hpar = reals_of(lines[2]);
    ASSERT_EQ(hpar.size(), 2u);
    EXPECT_EQ(bits(hpar[0]), bits(0.01f));
    EXPECT_EQ(bits(hpar[1]), bits(0.02f));
    EXPECT_EQ(tokens(lines[3]), (std::vector<std::string>{"0.125", "0.125"}));
}

using GalmixEmptyModel = FrameTest;

TEST_F(GalmixEmptyModel, HeaderOnlyWithInfiniteMassesThatReadBack) {
    GalmixCase c;
    c.thead = 0.75f;
    c.write(scratch);
    const RunResult r = scratch.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;
    expect_console(r, {"fdisk", "n_d,n_p (disk + spiral)", "fbul,nbu", "num,nbar,nspi,nr1,nr2,nbu", ""});
    ASSERT_EQ(scratch.lines("tinit.dat").size(), 4u);

    Unit& model = run().open_unit(10, scratch.path("tinit.dat").string());
    std::int32_t ntot = -1, ncomp = -1;
    float thead = 0.0f, hpar[5] = {}, hmass[5] = {};
    read_list(model, {"header line 1"}, ntot, thead);
    read_list(model, {"header line 2"}, ncomp);
    read_list(model, {"header line 3"}, reals(hpar));
    read_list(model, {"header line 4"}, reals(hmass));
    EXPECT_EQ(ntot, 0);
    EXPECT_EQ(thead, 0.75f);
    EXPECT_EQ(ncomp, 5);
    for (float m : hmass) EXPECT_EQ(bits(m), bits(std::numeric_limits<float>::infinity()));
}

}  // namespace
}  // namespace galtk::test
