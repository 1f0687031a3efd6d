// galmix end to end: the disk fraction, the checks on the fractions, and the failures of
// the parameter and particle inputs before the model is written.
#include "test_galmix_case.hpp"

namespace galtk::test {
namespace {

using namespace galmix_case;

TEST(GalmixFractions, DiskFractionFromFourSingleSubtractions) {
    Scratch dir;
    GalmixCase c;  // fspi 0.1, fbar 0.2, fr1 0.05, fr2 0.05
    c.write(dir);
    const RunResult r = dir.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_GE(r.out_lines().size(), 2u);
    EXPECT_EQ(tokens(r.out_lines()[1])[0], "n_d");  // no error line before
    const std::vector<std::string> v = console_values(r, "fdisk");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(bits(as_real(v[0])), bits(0.59999996f));
    EXPECT_NE(bits(as_real(v[0])), bits(0.6f));
}

TEST(GalmixFractions, NonAxisymmetricFractionOfOneStopsBeforeAnyModel) {
    Scratch dir;
    GalmixCase c;
    c.s.fspi = 0.5f;
    c.s.fbar = 0.5f;
    c.s.fr1 = 0.0f;
    c.s.fr2 = 0.0f;
    c.disk = {{1, 0, 0}};
    c.write(dir);
    dir.write("tinit.dat", previous_model);
    const RunResult r = dir.run("galmix");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    expect_console(r, {"Error fdisk <0", "fdisk", "fdisk", "Error:fnon ge 1.0"});
    const std::vector<std::string> lines = r.out_lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(tokens(lines[1]), (std::vector<std::string>{"fdisk", "0.0"}));
    EXPECT_EQ(tokens(lines[2]), (std::vector<std::string>{"fdisk", "0.0"}));
    ASSERT_EQ(console_values(r, "Error:fnon ge 1.0").size(), 1u);
    EXPECT_EQ(as_real(console_values(r, "Error:fnon ge 1.0")[0]), 1.0f);
    EXPECT_EQ(dir.read("tinit.dat"), previous_model);
}

TEST(GalmixFractions, OversubscribedFractionsDropTheDiskAndGoOn) {
    Scratch dir;
    GalmixCase c;
    c.s.fspi = 0.5f;
    c.s.fbar = 0.4f;
    c.s.fr1 = 0.06f;
    c.s.fr2 = 0.06f;
    c.disk = {{0, 0, 0}, {0.5f, 0.5f, 0}};
    c.write(dir);
    const RunResult r = dir.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;
    const float fdisk = (((1.0f - 0.5f) - 0.4f) - 0.06f) - 0.06f;
    ASSERT_LT(fdisk, 0.0f);
    const std::vector<std::string> lines = r.out_lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(tokens(lines[0]), (std::vector<std::string>{"Error", "fdisk", "<0"}));
    EXPECT_EQ(bits(as_real(tokens(lines[1])[1])), bits(fdisk));
    EXPECT_EQ(tokens(lines[2]), (std::vector<std::string>{"fdisk", "0.0"}));
    // The disk is left out; the bar (both particles inside the ellipse) is still written.
    EXPECT_TRUE(console_values(r, "tmp, disk").empty());
    EXPECT_EQ(console_values(r, "tmp, nbar"), (std::vector<std::string>{"0.200000003", "2"}));
    EXPECT_EQ(model_records(dir).size(), 2u);
}

TEST(GalmixFractions, InnerRingWithoutBarIsWrittenWithZeroMass) {
    Scratch dir;
    GalmixCase c;
    c.s.fspi = 0.1f;
    c.s.fbar = 0.0f;
    c.s.fr1 = 0.1f;
    c.s.fr2 = 0.05f;
    c.disk = {{0.1f, 0.1f, 0}, {0.2f, 0.2f, 0}};  // inside the ellipse, but no bar
    c.inner_ring = {{3, 0, 0}, {0, 3, 0}};
    c.write(dir);
    const RunResult r = dir.run("galmix");
    ASSERT_EQ(r.status, 0) << r.err;
    // fdisk is computed with the fr1 read; the inner ring's share is not handed back.
    const float fdisk = (((1.0f - 0.1f) - 0.0f) - 0.1f) - 0.05f;
    EXPECT_EQ(bits(as_real(console_values(r, "fdisk")[0])), bits(fdisk));
    const std::vector<std::string> counts = tokens(r.out_lines()[4]);
    EXPECT_EQ(counts, (std::vector<std::string>{"2", "0", "0", "2", "0", "0"}));
    EXPECT_EQ(console_values(r, "tmp, inner ring"), (std::vector<std::string>{"0.0", "2"}));
    const float disk_mass = fdisk / 2.0f;
    const float totm = disk_mass + disk_mass;
    EXPECT_EQ(bits(as_real(console_values(r, "totm (d)")[0])), bits(totm));
    EXPECT_EQ(bits(as_real(console_values(r, "totm (r1)")[0])), bits(totm));
    const std::vector<std::string> records = model_records(dir);
    ASSERT_EQ(records.size(), 4u);
    expect_record(records[2], {3, 0, 0}, 0.0f);
    expect_record(records[3], {0, 3, 0}, 0.0f);
}

TEST(GalmixFractions, WrongTokenTypeInAnIgnoredRecordEndsTheRun) {
    Scratch dir;
    GalmixCase c;
    c.write(dir);
    dir.write("sh1.para", structural_records(c.s, 21, {{8, "1.5"}}));  // record 8 must be an integer
    dir.write("tinit.dat", previous_model);
    const RunResult r = dir.run("galmix");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("sh1.para"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("record 8"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dir.read("tinit.dat"), previous_model);
}

TEST(GalmixFractions, EachMissingInputIsNamedAndTheModelIsLeftAlone) {
    const char* inputs[] = {"galmix.para", "rdisk.para", "rgal.para", "sh1.para", "di.dat",
                            "shp1.dat",    "r1.dat",     "r2.dat",    "sip3.dat"};
    for (const char* missing : inputs) {
        Scratch dir;
        GalmixCase c;
        c.disk = {{0, 0, 0}};
        c.spiral = {{1, 1, 1}};
        c.write(dir);
        std::filesystem::remove(dir.path(missing));
        dir.write("tinit.dat", previous_model);
        const RunResult r = dir.run("galmix");
        EXPECT_EQ(r.status, 2) << missing;
        EXPECT_NE(r.err.find(missing), std::string::npos) << missing << ": " << r.err;
        EXPECT_TRUE(dir.exists(missing)) << missing << " is created empty when bound";
        EXPECT_EQ(dir.read("tinit.dat"), previous_model) << missing;
    }
}

}  // namespace
}  // namespace galtk::test
