// diskbulge end to end: a diskgen snapshot completed with a bulge, the header rule for
// ncomp, the bulge count, the per-type tallies and the refused inputs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.hpp"
#include "test_diskgen_case.hpp"

namespace galtk::test {
namespace {

using diskgen_case::real_text;

// "si1.para": the first 11 structural records, fbul given as text (10), bscale (11).
std::string si1_para(const std::string& fbul, float bscale) {
    return structural_records({.bscale = bscale}, 11, {{10, fbul}});
}

// A bulge position list of n positions (j, -0.5, 0.25), j = 1 .. n.
std::string position_list(std::size_t n) {
    std::vector<Vec3> list;
    for (std::size_t j = 1; j <= n; ++j) list.push_back({static_cast<float>(j), -0.5f, 0.25f});
    return galtk::test::position_list(list);
}

TEST(Diskbulge, CompletesADiskgenSnapshot) {
    Scratch s;
    diskgen_case::Inputs in;
    in.numd = 10;
    ASSERT_EQ(diskgen_case::run_diskgen(s, in).status, 0);
    s.write("si1.para", si1_para("0.5", 2.0f));
    s.write("sip3.dat", position_list(6));
    const RunResult r = s.run("diskbulge");
    ASSERT_EQ(r.status, 0) << r.err;

    const auto disk = s.lines("sip2.dat");
    const auto out = s.lines("tinit.dat");
    ASSERT_EQ(out.size(), 4u + 15u);
    EXPECT_EQ(tokens(out[0]), (std::vector<std::string>{"15", "0.0"}));
    EXPECT_EQ(tokens(out[1]), (std::vector<std::string>{"5"}));
    EXPECT_EQ(reals_of(out[2]), reals_of(disk[2]));
    EXPECT_EQ(reals_of(out[3]), reals_of(disk[3]));
    for (std::size_t i = 4; i < 14; ++i) EXPECT_EQ(tokens(out[i]), tokens(disk[i])) << "record " << i - 3;
    // Bulge positions 1 to 5 of 6, scaled by 2, at rest, of type 1.
    for (std::size_t j = 1; j <= 5; ++j)
        EXPECT_EQ(reals_of(out[13 + j]), (std::vector<float>{2.0f * float(j), -1.0f, 0.5f, 0, 0, 0, 1}));

    EXPECT_EQ(r.out_lines().size(), 4u) << r.out;
    EXPECT_EQ(console_values(r, "numb"), (std::vector<std::string>{"5"}));
    EXPECT_EQ(console_values(r, "center particle"), (std::vector<std::string>(6, "0.0")));
    EXPECT_EQ(console_values(r, "ncom"), (std::vector<std::string>{"0", "15", "0", "0", "0"}));
    const float hmass2 = reals_of(disk[3])[1];
    float sum = 0.0f;
    for (int i = 0; i < 15; ++i) sum = sum + hmass2;
    const auto tmcom = console_values(r, "tmcom");
    ASSERT_EQ(tmcom.size(), 5u);
    EXPECT_EQ(bits(as_real(tmcom[1])), bits(sum));
    EXPECT_EQ(as_real(tmcom[0]) + as_real(tmcom[2]) + as_real(tmcom[3]) + as_real(tmcom[4]), 0.0f);
}

constexpr const char* three_types =
    "4 9.5\n3\n0.1 0.2 0.3\n1.5 2.5 3.5\n"
    "1 2 3 4 5 6 2\n"
    "7 8 9 1 1 1 0\n"
    "-1 -2 -3 0.5 0.25 0.125 1\n"
    "0 0 1 0 0 0 2\n";

TEST(Diskbulge, ThreeEntriesAndPerTypeTallies) {
    Scratch s;
    s.write("si1.para", si1_para("0", 3.0f));
    s.write("sip2.dat", three_types);
    s.write("sip3.dat", position_list(2));
    const RunResult r = s.run("diskbulge");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = s.lines("tinit.dat");
    ASSERT_EQ(out.size(), 8u);
    EXPECT_EQ(tokens(out[0]), (std::vector<std::string>{"4", "0.0"}));  // the time is not passed on
    EXPECT_EQ(tokens(out[1]), (std::vector<std::string>{"3"}));
    EXPECT_EQ(reals_of(out[2]), (std::vector<float>{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(reals_of(out[3]), (std::vector<float>{1.5f, 2.5f, 3.5f}));
    EXPECT_EQ(reals_of(out[6]), (std::vector<float>{-1, -2, -3, 0.5f, 0.25f, 0.125f, 1}));
    EXPECT_EQ(console_values(r, "numb"), (std::vector<std::string>{"0"}));
    // The first record of type 1 is the third, velocities included.
    std::vector<float> centre;
    for (const std::string& t : console_values(r, "center particle")) centre.push_back(as_real(t));
    EXPECT_EQ(centre, (std::vector<float>{-1, -2, -3, 0.5f, 0.25f, 0.125f}));
    EXPECT_EQ(console_values(r, "ncom"), (std::vector<std::string>{"1", "1", "2"}));
    const auto tmcom = console_values(r, "tmcom");
    ASSERT_EQ(tmcom.size(), 3u);
    EXPECT_EQ(as_real(tmcom[0]), 1.5f);
    EXPECT_EQ(as_real(tmcom[1]), 2.5f);
    EXPECT_EQ(as_real(tmcom[2]), 7.0f);
}

TEST(Diskbulge, NoTypeOneRecordPrintsNoCentreParticle) {
    Scratch s;
    s.write("si1.para", si1_para("0", 1.0f));
    s.write("sip2.dat", "1 0.0\n1\n0.5\n2.0\n1 1 1 0 0 0 0\n");
    s.write("sip3.dat", "0\n");
    const RunResult r = s.run("diskbulge");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(console_values(r, "center particle").empty());
    EXPECT_EQ(r.out_lines().size(), 3u);
}

TEST(Diskbulge, BulgeCountIsTheExactProductTruncated) {
    Scratch s;
    std::string disk = "1000 0.0\n4\n1 1 1 1 1\n0.001 0.001 0.001 0.001 0.001\n";
    for (int i = 0; i < 1000; ++i) disk += "1.0 2.0 3.0 0.0 0.0 0.0 1\n";
    s.write("sip2.dat", disk);
    s.write("si1.para", si1_para("0.7", 1.0f));  // 1000 * 0.7 = 699.99998807...
    s.write("sip3.dat", position_list(700));
    const RunResult r = s.run("diskbulge");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(console_values(r, "numb"), (std::vector<std::string>{"699"}));
    const auto out = s.lines("tinit.dat");
    EXPECT_EQ(tokens(out[0])[0], "1699");
    EXPECT_EQ(out.size(), 4u + 1699u);
    EXPECT_EQ(console_values(r, "ncom")[1], "1699");
}

TEST(Diskbulge, RefusesInputsThatAddressMissingSlotsOrMissingParticles) {
    struct Case { std::string sip2, fbul, sip3, expect; };
    const std::string head = "2 0.0\n2\n0.1 0.2\n1.0 2.0\n";
    const std::vector<Case> cases = {
        {head + "0 0 0 0 0 0 1\n0 0 0 0 0 0 10\n", "0", "0\n", "particle record 2"},
        {head + "0 0 0 0 0 0 -1\n0 0 0 0 0 0 1\n", "0", "0\n", "particle record 1"},
        {"0 0.0\n11\n" + std::string(11, '1') + "\n\n", "0", "0\n", "ncomp"},
        {"0 0.0\n-1\n\n\n", "0", "0\n", "ncomp"},
        {"-3 0.0\n1\n0.1\n1.0\n", "0", "0\n", "num"},
        // numb = 1 of a single bulge position is fine, 2 is not; nor is a negative numb.
        {head + "0 0 0 0 0 0 1\n0 0 0 0 0 0 1\n", "1.0", "1\n1 1 1\n", "numb = 2"},
        {head + "0 0 0 0 0 0 1\n0 0 0 0 0 0 1\n", "-0.5", "1\n1 1 1\n", "numb = -1"},
        {head + "0 0 0 0 0 0 1\n0 0 0 0 0 0 1\n", "NaN", "1\n1 1 1\n", "numb"},
    };
    for (const Case& c : cases) {
        Scratch s;
        s.write("si1.para", si1_para(c.fbul, 1.0f));
        s.write("sip2.dat", c.sip2);
        s.write("sip3.dat", c.sip3);
        s.write("tinit.dat", "earlier model\n");
        const RunResult r = s.run("diskbulge");
        EXPECT_EQ(r.status, 1) << c.expect;
        ASSERT_EQ(r.err_lines().size(), 1u) << r.err;
        EXPECT_NE(r.err.find(c.expect), std::string::npos) << r.err;
        EXPECT_EQ(s.read("tinit.dat"), "earlier model\n");
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    // The refusal of a bulge count names both numb and nbu.
    Scratch s;
    s.write("si1.para", si1_para("1.0", 1.0f));
    s.write("sip2.dat", head + "0 0 0 0 0 0 1\n0 0 0 0 0 0 1\n");
    s.write("sip3.dat", "1\n1 1 1\n");
    EXPECT_NE(s.run("diskbulge").err.find("nbu = 1"), std::string::npos);
}

}  // namespace
}  // namespace galtk::test
