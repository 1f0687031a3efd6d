// galmix end to end: reading the disk snapshot and the position lists, the bar ellipse,
// the count rules, and the refusal of inputs that would corrupt the model.
#include <math.h>

#include "test_galmix_case.hpp"

namespace galtk::test {
namespace {

using namespace galmix_case;

// The counts line (the one after "num,nbar,nspi,nr1,nr2,nbu").
std::vector<std::string> counts_line(const RunResult& r) {
    const std::vector<std::string> lines = r.out_lines();
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].find("num,nbar,nspi,nr1,nr2,nbu") != std::string::npos) return tokens(lines[i + 1]);
    }
    return {};
}

TEST(GalmixInputs, BarEllipseBoundaryAndThirdCoordinate) {
    Scratch dir;
    GalmixCase c;
    c.s.fbar = 0.1f;
    c.s.bara = 2.0f;
    c.s.barb = 1.0f;
    c.disk = {{9, 9, 9}, {2, 0, 5}, {0, 1.01f, 0}, {1, 0.5f, 100}};
    c.write(dir);
    const RunResult r = dir.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(counts_line(r), (std::vector<std::string>{"4", "2", "0", "0", "0", "0"}));
    const std::vector<std::string> records = model_records(dir);
    ASSERT_EQ(records.size(), 6u);
    const float bar_mass = 0.1f / 2.0f;
    // The bar copies keep the positions as read (the first disk particle is not one).
    expect_record(records[4], {2, 0, 5}, bar_mass);
    expect_record(records[5], {1, 0.5f, 100}, bar_mass);
}

TEST(GalmixInputs, BarTestSquaresTheFirstCoordinateWithPowf) {
    // powf(4097, 2) = 16785410 while 4097 * 4097 rounds to 16785408. With bara one ulp
    // above 4097 and a small second-coordinate term, e lies just above 1 with powf and
    // just at 1 with products: the particle is outside the bar.
    volatile float two = 2.0f;
    const float bara = nextafterf(4097.0f, 5000.0f);
    const float barb = 0.4f;
    const float y = 0.000244140625f;  // 2^-12
    const float e_powf = (y * y) / (barb * barb) + ::powf(4097.0f, two) / ::powf(bara, two);
    const float e_products = (y * y) / (barb * barb) + (4097.0f * 4097.0f) / (bara * bara);
    ASSERT_GT(e_powf, 1.0f);
    ASSERT_LE(e_products, 1.0f);

    Scratch dir;
    GalmixCase c;
    c.s.bara = bara;
    c.s.barb = barb;
    c.disk = {{0, 0, 0}, {4097, y, 0}, {4097, 0, 0}};
    c.write(dir);
    const RunResult r = dir.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;
    // Only (4097, 0, 0) joins: e = 16785410 / 16785414 <= 1 (the first disk particle,
    // at the origin, joins too).
    EXPECT_EQ(counts_line(r)[1], "2");
    const std::vector<std::string> records = model_records(dir);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(tokens(records[4])[1], "0.0");
}

TEST(GalmixInputs, DiskSwitchedOffStillYieldsTheBar) {
    Scratch dir;
    GalmixCase c;
    c.idisk = 0;
    c.rdisk = 2.0f;
    c.rgal = 3.0f;
    c.disk = {{1, -1, 0.5f}, {0.5f, 0.25f, 0}, {5, 5, 5}};
    c.write(dir);
    const RunResult r = dir.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(console_values(r, "n_d,n_p (disk + spiral)"), (std::vector<std::string>{"3", "0"}));
    EXPECT_EQ(counts_line(r), (std::vector<std::string>{"0", "1", "0", "0", "0", "0"}));
    expect_console(r, {"fdisk", "n_d,n_p (disk + spiral)", "fbul,nbu", "num,nbar,nspi,nr1,nr2,nbu", "",
                       "tmp, nbar", "totm (b)"});
    // No centre particle: the first record is the bar's, scaled, not at the origin.
    const std::vector<std::string> records = model_records(dir);
    ASSERT_EQ(records.size(), 1u);
    expect_record(records[0], {(2.0f * 0.5f) * 3.0f, (2.0f * 0.25f) * 3.0f, 0.0f}, 0.2f);
}

TEST(GalmixInputs, BulgeWithoutMassIsReadToTheEndButNotWritten) {
    Scratch dir;
    GalmixCase c;
    c.s.fbul = 0.0f;
    c.bulge.assign(500, Vec3{1, 2, 3});
    c.write(dir);
    const RunResult r = dir.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(console_values(r, "fbul,nbu"), (std::vector<std::string>{"0.0", "0"}));
    EXPECT_TRUE(console_values(r, "tmp, bulge").empty());
    EXPECT_TRUE(model_records(dir).empty());

    // Read in full even so: a list one line short ends the run.
    std::string short_list = position_list(c.bulge);
    short_list.erase(short_list.rfind("1 2 3"));
    dir.write("sip3.dat", short_list);
    const RunResult short_run = dir.run("galmix");
    EXPECT_EQ(short_run.status, 2);
    EXPECT_NE(short_run.err.find("sip3.dat"), std::string::npos) << short_run.err;
}

TEST(GalmixInputs, BulgeFactorAppliedAsReadAndGalaxyScaleAfter) {
    for (const float bscale : {2.0f, 1.0f}) {
        Scratch dir;
        GalmixCase c;
        c.rdisk = 2.0f;
        c.rgal = 3.0f;
        c.s.bscale = bscale;
        c.bulge = {{1, -1, 0.5f}};
        c.write(dir);
        const RunResult r = dir.run("galmix");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(console_values(r, "tmp, bulge"), (std::vector<std::string>{"0.200000003", "1", "0.200000003"}));
        const std::vector<std::string> records = model_records(dir);
        ASSERT_EQ(records.size(), 1u);
        const Vec3 expected = bscale == 2.0f ? Vec3{6, -6, 3} : Vec3{3, -3, 1.5f};
        expect_record(records[0], expected, 0.2f);
    }
}

TEST(GalmixInputs, HeaderWithThreeValuesPerLineRunsOutOfRecords) {
    Scratch dir;
    GalmixCase c;
    c.disk = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
    c.write(dir);
    dir.write("di.dat",
              "3 0.0\n3\n0.1 0.1 0.1\n0.2 0.2 0.2\n"
              "0 0 0 0 0 0 1\n1 1 1 0 0 0 1\n2 2 2 0 0 0 1\n");
    dir.write("tinit.dat", previous_model);
    const RunResult r = dir.run("galmix");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("di.dat"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("disk particle record 3"), std::string::npos) << r.err;
    EXPECT_EQ(dir.read("tinit.dat"), previous_model);
}

// Inputs the model cannot represent: refused (status 1) before "tinit.dat" is touched.
TEST(GalmixInputs, CorruptingCountsAndTypeListsAreRefused) {
    struct Case {
        const char* file;
        std::string content;
        const char* message;
    };
    const Case cases[] = {
        {"di.dat", "1 0.0\n6\n1 1 1 1 1 1\n1 1 1 1 1 1\n0 0 0 0 0 0 1\n", "ncomp 6"},
        {"di.dat", "1 0.0\n-1\n1 1 1 1 1\n1 1 1 1 1\n0 0 0 0 0 0 1\n", "ncomp -1"},
        {"di.dat", "-2 0.0\n5\n1 1 1 1 1\n1 1 1 1 1\n", "negative particle count -2"},
        {"r2.dat", "-1\n", "negative particle count -1"},
        {"sip3.dat", "-5\n1 1 1\n", "negative particle count -5"},
    };
    for (const Case& k : cases) {
        Scratch dir;
        GalmixCase c;
        c.disk = {{0, 0, 0}};
        c.write(dir);
        dir.write(k.file, k.content);
        dir.write("tinit.dat", previous_model);
        const RunResult r = dir.run("galmix");
        EXPECT_EQ(r.status, 1) << k.message;
        EXPECT_NE(r.err.find(k.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(k.file), std::string::npos) << r.err;
        EXPECT_EQ(dir.read("tinit.dat"), previous_model) << k.message;
    }
}

TEST(GalmixInputs, HugeAnnouncedCountInAShortFileEndsWithoutClaimingMemory) {
    Scratch dir;
    GalmixCase c;
    c.write(dir);
    dir.write("shp1.dat", "2147483647\n1 1 1\n");
    dir.write("di.dat", "2147483647 0.0\n5\n1 1 1 1 1\n1 1 1 1 1\n0 0 0 0 0 0 1\n");
    const RunResult r = dir.run("galmix");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("disk particle record 2"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace galtk::test
