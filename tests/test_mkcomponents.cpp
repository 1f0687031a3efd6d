// mkcomponents end to end: the five position lists (counts, layout, console), the same
// files from the same seed, the radial extent and shape of every component, and the
// refused parameter files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "support.hpp"

namespace galtk::test {
namespace {

const std::vector<std::string> outputs = {"sip3.dat", "shp1.dat", "r1.dat", "r2.dat", "sip1.dat"};

// The seven records of "mkcomp.para", as text, with comments after the values.
struct Para {
    std::string seed = "-4711";
    std::string bulge = "1500 0.4 3.0";
    std::string arms = "1200 4.0 12.0 15.0 1.0";
    std::string ring1 = "600 4.0 0.6";
    std::string ring2 = "800 10.0 1.0";
    std::string extra = "100 0.2";
    std::string hz = "0.1";
    std::string text() const {
        return seed + "  seed\n" + bulge + "  nbu abu rbumax\n" + arms + "  nspi rin rout pitch width\n" + ring1 +
               "  nr1 r1 w1\n" + ring2 + "  nr2 r2 w2\n" + extra + "  nadd radd\n" + hz + "  hz\n";
    }
};

struct Pos {
    float x, y, z;
    double planar() const { return std::hypot(double(x), double(y)); }
    double radius() const { return std::sqrt(planar() * planar() + double(z) * double(z)); }
};

// The positions of a list file, after checking its count line and its layout.
std::vector<Pos> positions(const Scratch& s, const std::string& name, std::size_t n) {
    const auto lines = s.lines(name);
    EXPECT_EQ(lines.size(), n + 1) << name;
    if (lines.empty()) return {};
    EXPECT_EQ(tokens(lines[0]), (std::vector<std::string>{std::to_string(n)})) << name;
    std::vector<Pos> out;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto v = reals_of(lines[i]);
        EXPECT_EQ(v.size(), 3u) << name << " line " << i + 1;
        if (v.size() != 3) return out;
        EXPECT_TRUE(std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2])) << name << " line " << i + 1;
        out.push_back({v[0], v[1], v[2]});
    }
    return out;
}

RunResult run_with(const Scratch& s, const Para& p) {
    s.write("mkcomp.para", p.text());
    return s.run("mkcomponents");
}

// Relative slack for radii recomputed from coordinates written with nine digits.
constexpr double slack = 1e-5;

TEST(Mkcomponents, WritesEveryListWithItsCount) {
    Scratch s;
    const RunResult r = run_with(s, Para{});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::size_t> counts = {1500, 1200, 600, 800, 100};
    for (std::size_t k = 0; k < outputs.size(); ++k) EXPECT_EQ(positions(s, outputs[k], counts[k]).size(), counts[k]);

    const auto console = r.out_lines();
    ASSERT_EQ(console.size(), 5u) << r.out;
    const std::vector<std::string> labels = {"nbu", "nspi", "nr1", "nr2", "nadd"};
    for (std::size_t k = 0; k < console.size(); ++k) {
        const auto t = tokens(console[k]);
        ASSERT_GE(t.size(), 3u);
        EXPECT_EQ(t.front(), labels[k]);
        EXPECT_NE(console[k].find(outputs[k]), std::string::npos) << console[k];
        EXPECT_EQ(as_int(t.back()), std::int32_t(counts[k]));
    }
}

TEST(Mkcomponents, ZeroCountsWriteOnlyTheCountLine) {
    Scratch s;
    Para p;
    p.bulge = "0 0.4 3.0";
    p.arms = "0 4.0 12.0 15.0 1.0";
    p.ring1 = "0 4.0 0.6";
    p.ring2 = "0 10.0 1.0";
    p.extra = "0 0.2";
    ASSERT_EQ(run_with(s, p).status, 0);
    for (const auto& name : outputs) EXPECT_TRUE(positions(s, name, 0).empty()) << name;
}

TEST(Mkcomponents, SameSeedSameFilesOtherSeedOtherFiles) {
    Scratch a, b, c, d;
    Para p;
    ASSERT_EQ(run_with(a, p).status, 0);
    ASSERT_EQ(run_with(b, p).status, 0);
    p.seed = "4711";   // a positive seed selects the same stream as its negative
    ASSERT_EQ(run_with(c, p).status, 0);
    p.seed = "4712";
    ASSERT_EQ(run_with(d, p).status, 0);
    for (const auto& name : outputs) {
        EXPECT_FALSE(a.read(name).empty());
        EXPECT_EQ(a.read(name), b.read(name)) << name;
        EXPECT_EQ(a.read(name), c.read(name)) << name;
        EXPECT_NE(a.read(name), d.read(name)) << name;
    }
    // Seed 0 starts the stream from 1, as seed 1 and -1 do.
    Scratch zero, one;
    p.seed = "0";
    ASSERT_EQ(run_with(zero, p).status, 0);
    p.seed = "1";
    ASSERT_EQ(run_with(one, p).status, 0);
    for (const auto& name : outputs) EXPECT_EQ(zero.read(name), one.read(name)) << name;
}

TEST(Mkcomponents, BulgeIsATruncatedHernquistSphere) {
    Scratch s;
    ASSERT_EQ(run_with(s, Para{}).status, 0);
    const auto bulge = positions(s, "sip3.dat", 1500);
    std::size_t inside_a = 0, upper_half = 0;
    for (const Pos& p : bulge) {
        EXPECT_LE(p.radius(), 3.0 * (1 + slack));
        inside_a += p.radius() <= 0.4;
        upper_half += p.z > 0.0f;
    }
    // M(<a)/M(<rbumax) = (1/4) / (3/3.4)^2 = 0.321; isotropic: half above the plane.
    EXPECT_NEAR(double(inside_a) / 1500.0, 0.321, 0.04);
    EXPECT_NEAR(double(upper_half) / 1500.0, 0.5, 0.05);
}

TEST(Mkcomponents, ArmsFollowTwoLogarithmicSpirals) {
    Scratch s;
    ASSERT_EQ(run_with(s, Para{}).status, 0);
    const auto arms = positions(s, "shp1.dat", 1200);
    const double pi = 3.14159265358979;
    const double tan_p = std::tan(15.0 * pi / 180.0), sin_p = std::sin(15.0 * pi / 180.0);
    std::size_t on_arm[2] = {0, 0};
    for (std::size_t i = 0; i < arms.size(); ++i) {
        const Pos& p = arms[i];
        const double r = p.planar();
        EXPECT_GE(r, 4.0 * (1 - slack));
        EXPECT_LE(r, 12.0 * (1 + slack));
        // Azimuth from the centre line of arm k (turned by k pi), within half the width
        // across the arm, width/sin(pitch) as arc length along the circle.
        const int k = int(i % 2);
        const double centre = std::log(r / 4.0) / tan_p + k * pi;
        const double off = std::remainder(std::atan2(double(p.y), double(p.x)) - centre, 2 * pi);
        EXPECT_LE(std::abs(off) * r, 0.5 / sin_p + 1e-3) << "arm position " << i + 1;
        on_arm[k] += 1;
    }
    EXPECT_EQ(on_arm[0], 600u);
    EXPECT_EQ(on_arm[1], 600u);
}

TEST(Mkcomponents, RingsAndExtraPositionsStayInTheirShells) {
    Scratch s;
    ASSERT_EQ(run_with(s, Para{}).status, 0);
    struct Shell { const char* name; std::size_t n; double lo, hi; };
    for (const Shell& sh : {Shell{"r1.dat", 600, 3.7, 4.3}, Shell{"r2.dat", 800, 9.5, 10.5}}) {
        double lo = 1e9, hi = 0;
        for (const Pos& p : positions(s, sh.name, sh.n)) {
            lo = std::min(lo, p.planar());
            hi = std::max(hi, p.planar());
        }
        EXPECT_GE(lo, sh.lo * (1 - slack)) << sh.name;
        EXPECT_LE(hi, sh.hi * (1 + slack)) << sh.name;
        // The draws fill the annulus, not a part of it.
        EXPECT_LT(lo, sh.lo + 0.05) << sh.name;
        EXPECT_GT(hi, sh.hi - 0.05) << sh.name;
    }
    for (const Pos& p : positions(s, "sip1.dat", 100)) EXPECT_LE(p.radius(), 0.2 * (1 + slack));
}

TEST(Mkcomponents, HeightsFollowHz) {
    Scratch flat, thick;
    Para p;
    p.hz = "0";
    ASSERT_EQ(run_with(flat, p).status, 0);
    for (const char* name : {"shp1.dat", "r1.dat", "r2.dat"})
        for (const Pos& q : positions(flat, name, name[0] == 's' ? 1200 : name[1] == '1' ? 600 : 800))
            EXPECT_EQ(q.z, 0.0f) << name;
    // sech^2 of scale hz: the median |z| is hz atanh(1/2) = 0.549 hz.
    p.hz = "0.5";
    ASSERT_EQ(run_with(thick, p).status, 0);
    std::vector<double> heights;
    for (const Pos& q : positions(thick, "r2.dat", 800)) heights.push_back(std::abs(double(q.z)));
    std::nth_element(heights.begin(), heights.begin() + 400, heights.end());
    EXPECT_NEAR(heights[400], 0.549 * 0.5, 0.03);
}

TEST(Mkcomponents, RefusesUnsoundParametersBeforeWriting) {
    struct Case { const char* why; Para p; const char* record; };
    std::vector<Case> cases;
    auto add = [&](const char* why, const char* record, auto change) {
        Para p;
        change(p);
        cases.push_back({why, p, record});
    };
    add("negative count", "record 2", [](Para& p) { p.bulge = "-1 0.4 3.0"; });
    add("zero truncation radius", "record 2", [](Para& p) { p.bulge = "10 0.4 0"; });
    add("outer arm radius below inner", "record 3", [](Para& p) { p.arms = "10 5.0 4.0 15.0 1.0"; });
    add("pitch of 90 degrees", "record 3", [](Para& p) { p.arms = "10 4.0 12.0 90 1.0"; });
    add("NaN width", "record 3", [](Para& p) { p.arms = "10 4.0 12.0 15 NaN"; });
    add("ring wider than its diameter", "record 4", [](Para& p) { p.ring1 = "10 1.0 2.5"; });
    add("infinite ring radius", "record 5", [](Para& p) { p.ring2 = "10 Inf 1.0"; });
    add("negative extra count", "record 6", [](Para& p) { p.extra = "-5 0.2"; });
    add("negative height", "record 7", [](Para& p) { p.hz = "-0.1"; });
    add("seed of the modulus", "record 1", [](Para& p) { p.seed = "-2147483647"; });
    for (const Case& c : cases) {
        Scratch s;
        s.write("sip3.dat", "1\n1 2 3\n");   // an old list stays as it was
        const RunResult r = run_with(s, c.p);
        EXPECT_EQ(r.status, 1) << c.why;
        EXPECT_EQ(r.out, "") << c.why;
        ASSERT_EQ(r.err_lines().size(), 1u) << c.why << ": " << r.err;
        EXPECT_EQ(r.err.rfind("mkcomponents", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(std::string("mkcomp.para ") + c.record), std::string::npos) << c.why << ": " << r.err;
        EXPECT_EQ(s.read("sip3.dat"), "1\n1 2 3\n") << c.why;
        for (std::size_t k = 1; k < outputs.size(); ++k) EXPECT_EQ(s.read(outputs[k]), "") << c.why;
    }
}

TEST(Mkcomponents, ShortParameterFileIsAReadFailure) {
    Scratch s;
    s.write("mkcomp.para", "-4711\n10 0.4 3.0\n");
    const RunResult r = s.run("mkcomponents");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("record 3"), std::string::npos) << r.err;
    EXPECT_EQ(s.read("sip3.dat"), "");
}

}  // namespace
}  // namespace galtk::test
