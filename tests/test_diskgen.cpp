// diskgen end to end: the disk count, the snapshot layout, the bins of the half-count
// radius, the refusals, reproducibility and the shape of the drawn disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "support.hpp"
#include "test_diskgen_case.hpp"

namespace galtk::test {
namespace {

using diskgen_case::Inputs;
using diskgen_case::read_console;
using diskgen_case::records;
using diskgen_case::run_diskgen;

TEST(DiskgenCount, DerivedFromTheReferenceFractionOrKeptFromRecord4) {
    struct Case { const char* fref; std::int32_t nref; std::int32_t record4; std::int32_t numd; };
    // 0.1: the quotient 8999.9998... rounds to 9000.0 in single precision before truncation.
    for (const Case c : {Case{"0.25", 1000, 7, 3000}, Case{"0.1", 1000, 7, 9000}, Case{"0", 1000, 7, 7},
                         Case{"0.0", 5, 12, 12}}) {
        Scratch s;
        Inputs in;
        in.fref = c.fref;
        in.nref = c.nref;
        in.numd = c.record4;
        const RunResult r = run_diskgen(s, in);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_console(r).numd, c.numd) << "fref " << c.fref;
        EXPECT_EQ(as_int(tokens(s.lines("sip2.dat")[0])[0]), c.numd) << "fref " << c.fref;
        EXPECT_EQ(records(s).size(), static_cast<std::size_t>(c.numd));
    }
}

TEST(DiskgenCount, NegativeOrUnrepresentableCountsAreRefusedBeforeTheSnapshotIsWritten) {
    struct Case { const char* fref; std::int32_t record4; };
    // record 4 negative; fref below 0 and above 1 (negative quotients); NaN; a quotient
    // far beyond the integer range.
    for (const Case c : {Case{"0", -1}, Case{"-0.5", 10}, Case{"2", 10}, Case{"NaN", 10}, Case{"1e-30", 10}}) {
        Scratch s;
        s.write("sip2.dat", "earlier contents\n");
        Inputs in;
        in.fref = c.fref;
        in.numd = c.record4;
        const RunResult r = run_diskgen(s, in);
        EXPECT_EQ(r.status, 1) << "fref " << c.fref;
        ASSERT_EQ(r.err_lines().size(), 1u) << r.err;
        EXPECT_NE(r.err.find("diskgen"), std::string::npos);
        EXPECT_NE(r.err.find("numd"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(s.read("sip2.dat"), "earlier contents\n");
    }
}

TEST(DiskgenCount, NegativePositionCountIsRefused) {
    Scratch s;
    Inputs in;
    in.numd = 5;
    diskgen_case::write_inputs(s, in);
    s.write("sip1.dat", "-2\n1 2 3\n");
    const RunResult r = s.run("diskgen");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("sip1.dat"), std::string::npos) << r.err;
    EXPECT_TRUE(s.read("sip2.dat").empty());
}

TEST(DiskgenSnapshot, HeaderCentreParticleAndRecords) {
    Scratch s;
    Inputs in;
    in.dmass = 2.0f;
    in.numd = 3;
    const RunResult r = run_diskgen(s, in);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto c = read_console(r);
    const std::vector<std::string> l = s.lines("sip2.dat");
    ASSERT_EQ(l.size(), 7u);
    EXPECT_EQ(tokens(l[0]), (std::vector<std::string>{"3", "0.0"}));
    EXPECT_EQ(tokens(l[1]), (std::vector<std::string>{"4"}));
    const float pmass = 2.0f / 3.0f;
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(bits(reals_of(l[2])[k]), bits(c.soft));
        EXPECT_EQ(bits(reals_of(l[3])[k]), bits(pmass));
    }
    EXPECT_EQ(reals_of(l[2]).size(), 5u);
    EXPECT_EQ(reals_of(l[3]).size(), 5u);
    EXPECT_EQ(tokens(l[4]), (std::vector<std::string>{"0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "1"}));
    float totm = 0.0f;
    for (std::size_t i = 4; i < l.size(); ++i) {
        const auto t = tokens(l[i]);
        ASSERT_EQ(t.size(), 7u);
        EXPECT_EQ(t[6], "1");
        EXPECT_EQ(as_real(t[3]), 0.0f);
        EXPECT_EQ(as_real(t[4]), 0.0f);
        EXPECT_EQ(as_real(t[5]), 0.0f);
        totm = totm + pmass;
    }
    EXPECT_EQ(bits(c.totm), bits(totm));
}

TEST(DiskgenSnapshot, ZeroDiskCountWritesOnlyTheAppendedPositions) {
    {
        Scratch s;
        Inputs in;
        in.numd = 0;
        in.added = {{1.5f, -2.25f, 0.125f}, {3.0f, 4.0f, -0.5f}};
        const RunResult r = run_diskgen(s, in);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_console(r).numd, 0);
        const auto rec = records(s);
        ASSERT_EQ(rec.size(), 2u);
        // The first appended position becomes the centre particle; the second is as read.
        EXPECT_EQ(rec[0], (std::vector<float>{0, 0, 0, 0, 0, 0, 1}));
        EXPECT_EQ(rec[1], (std::vector<float>{3.0f, 4.0f, -0.5f, 0, 0, 0, 1}));
        // The half-count radius uses both positions as drawn/read: distances 2.7 and 5.02.
        const auto c = read_console(r);
        EXPECT_EQ(c.thalf, 1.0f);
        EXPECT_EQ(bits(c.rhalf), bits(51.0f * 0.1f));
    }
    {
        Scratch s;
        Inputs in;
        in.numd = 0;
        const RunResult r = run_diskgen(s, in);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<std::string> l = s.lines("sip2.dat");
        ASSERT_EQ(l.size(), 4u);
        EXPECT_EQ(tokens(l[0]), (std::vector<std::string>{"0", "0.0"}));
        EXPECT_EQ(tokens(l[2])[0], "NaN");  // no particle within rmax: soft = 0 / 0
        const auto c = read_console(r);
        EXPECT_EQ(c.totm, 0.0f);
    }
}

TEST(DiskgenSnapshot, DrawnParticlesLieWithinRmaxAndZmaxAndAppendedOnesAreAsRead) {
    Scratch s;
    Inputs in;
    in.numd = 3000;
    in.rmax = 4.0f;   // cuts the disk at 1.6 scale lengths
    in.zmax = 0.3f;   // and at 1.5 scale heights
    in.added = {{123.456f, -7.5e-3f, 42.0f}};
    const RunResult r = run_diskgen(s, in);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rec = records(s);
    ASSERT_EQ(rec.size(), 3001u);
    double rmax_seen = 0.0, zmax_seen = 0.0;
    for (std::size_t i = 1; i < 3000; ++i) {
        rmax_seen = std::max(rmax_seen, std::hypot(double(rec[i][0]), double(rec[i][1])));
        zmax_seen = std::max(zmax_seen, std::fabs(double(rec[i][2])));
    }
    EXPECT_LT(rmax_seen, 4.0 * (1 + 1e-6));
    EXPECT_GT(rmax_seen, 3.9);
    EXPECT_LE(zmax_seen, 0.3 * (1 + 1e-6));
    EXPECT_GT(zmax_seen, 0.29);
    EXPECT_EQ(rec[3000], (std::vector<float>{123.456f, -7.5e-3f, 42.0f, 0, 0, 0, 1}));
}

TEST(DiskgenSoftening, BinRadiiAreMultiplesOfRmaxOver100AndIncludeTheirEdge) {
    // Two positions exactly at rbin(j) and one further out: thalf = 1.5, and bin j
    // already holds two, so rhalf is rbin(j) itself, j * 0.1 in single precision.
    for (const int j : {1, 3, 10, 37, 98}) {
        Scratch s;
        Inputs in;
        in.numd = 0;
        const float edge = static_cast<float>(j) * 0.1f;
        const float beyond = static_cast<float>(j + 2) * 0.1f;
        in.added = {{edge, 0, 0}, {0, -edge, 0}, {0, 0, beyond}};
        const RunResult r = run_diskgen(s, in);
        ASSERT_EQ(r.status, 0) << r.err;
        const auto c = read_console(r);
        EXPECT_EQ(c.thalf, 1.5f);
        EXPECT_EQ(bits(c.rhalf), bits(edge)) << "j " << j;
        // soft = rhalf * (4 pi / 3)^(1/3) / thalf^(1/3), the powers in double, rounded.
        const float c1 = static_cast<float>(std::pow(double(3.1415927f * 4.0f / 3.0f), double(1.0f / 3.0f)));
        const float c2 = static_cast<float>(std::pow(1.5, double(1.0f / 3.0f)));
        EXPECT_EQ(bits(c.soft), bits(static_cast<float>(double(edge) * c1 / c2))) << "j " << j;
    }
}

TEST(DiskgenSoftening, NoParticleWithinRmaxGivesZeroRadiusAndNaNSoftening) {
    Scratch s;
    Inputs in;
    in.numd = 0;
    in.rmax = 1.0f;
    in.added = {{5.0f, 0, 0}};
    const RunResult r = run_diskgen(s, in);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto c = read_console(r);
    EXPECT_EQ(c.thalf, 0.0f);
    EXPECT_EQ(c.rhalf, 0.0f);
    EXPECT_TRUE(std::isnan(c.soft));
    for (const float v : reals_of(s.lines("sip2.dat")[2])) EXPECT_TRUE(std::isnan(v));
    EXPECT_EQ(records(s).size(), 1u);
}

TEST(DiskgenRuns, AreReproducible) {
    Scratch a, b;
    Inputs in;
    in.numd = 500;
    in.added = {{1, 2, 3}};
    const RunResult ra = run_diskgen(a, in);
    const RunResult rb = run_diskgen(b, in);
    ASSERT_EQ(ra.status, 0);
    EXPECT_EQ(ra.out, rb.out);
    EXPECT_EQ(a.read("sip2.dat"), b.read("sip2.dat"));
    // The first value of record 3 is superseded by "si1.dat".
    Scratch c;
    in.superseded = -99.0f;
    run_diskgen(c, in);
    EXPECT_EQ(a.read("sip2.dat"), c.read("sip2.dat"));
}

// Largest distance between an empirical distribution and a model distribution function.
double ks_distance(std::vector<double> v, double (*cdf)(double)) {
    std::sort(v.begin(), v.end());
    double d = 0.0;
    const double n = static_cast<double>(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double f = cdf(v[i]);
        d = std::max({d, std::fabs(f - double(i) / n), std::fabs(f - double(i + 1) / n)});
    }
    return d;
}

TEST(DiskgenProfile, RadiiFollowTheExponentialDiskAndHeightsTheSechSquaredProfile) {
    Scratch s;
    Inputs in;
    in.numd = 20000;
    in.hr = 2.0f;
    in.rmax = 10.0f;  // 5 scale lengths
    in.hz = 0.2f;
    in.zmax = 1.0f;   // 5 scale heights
    const RunResult r = run_diskgen(s, in);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rec = records(s);
    std::vector<double> radius, height;
    std::size_t above = 0, right = 0;
    for (std::size_t i = 1; i < rec.size(); ++i) {
        radius.push_back(std::hypot(double(rec[i][0]), double(rec[i][1])));
        height.push_back(std::fabs(double(rec[i][2])));
        above += rec[i][2] > 0.0f;
        right += rec[i][0] > 0.0f;
    }
    // Mass within R of an exponential disk: 1 - (1 + R/hr) e^(-R/hr), cut at rmax.
    const auto disk = [](double R) {
        const auto m = [](double x) { return 1.0 - (1.0 + x / 2.0) * std::exp(-x / 2.0); };
        return m(R) / m(10.0);
    };
    // Mass within |z| of a sech-squared layer: tanh(|z|/hz), cut at zmax.
    const auto layer = [](double z) { return std::tanh(z / 0.2) / std::tanh(5.0); };
    // 20000 draws: a distance of 0.0115 is the 1 % level of a true sample.
    EXPECT_LT(ks_distance(radius, disk), 0.0115);
    EXPECT_LT(ks_distance(height, layer), 0.0115);
    // A pure exponential without the factor R is far off.
    EXPECT_GT(ks_distance(radius, [](double R) { return (1 - std::exp(-R / 2.0)) / (1 - std::exp(-5.0)); }), 0.1);
    const double n = static_cast<double>(rec.size() - 1);
    EXPECT_NEAR(double(above) / n, 0.5, 0.02);
    EXPECT_NEAR(double(right) / n, 0.5, 0.02);
}

}  // namespace
}  // namespace galtk::test
