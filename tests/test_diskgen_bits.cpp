// diskgen bit for bit: a small run recomputed here, straight from the formulas of the
// disk generator, on the ran1 stream of start value 1. Every named quantity is a float;
// each formula is evaluated in double and rounded once; exp, sin, cos and pow take a
// float argument, evaluate in double and round their result.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ran1.hpp"
#include "support.hpp"
#include "test_diskgen_case.hpp"

namespace galtk::test {
namespace {

using diskgen_case::Inputs;

struct Reference {
    float rhmin = 1000, rhmax = -1000, rhminz = 1000, rhmaxz = -1000;
    std::vector<Vec3> rows;
    float thalf = 0, rhalf = 0, soft = 0, pmass = 0, totm = 0;
};

Reference recompute(const Inputs& in) {
    const float pi = 3.1415927f;
    const float dmass = in.dmass, rmax = in.rmax, zmax = in.zmax, hz = in.hz;
    const float k = static_cast<float>(1.0 / double(in.hr));
    auto fR = [&](float R) {
        float a = static_cast<float>((double(pi) + double(pi)) * double(R));
        float b = static_cast<float>(((double(k) * double(k) * double(a) * double(dmass)) / 2.0) / double(pi));
        float arg = static_cast<float>(-double(k) * double(R));
        float e = static_cast<float>(std::exp(double(arg)));
        return static_cast<float>(double(e) * double(b));
    };
    auto gZ = [](float Z) {
        float em = static_cast<float>(std::exp(double(-Z)));
        float ep = static_cast<float>(std::exp(double(Z)));
        double s = double(ep) + double(em);
        return static_cast<float>(4.0 / (s * s));
    };
    ran1_reset();
    std::int32_t seed = 0;
    Reference ref;
    for (int t = 0; t <= 30000; ++t) {
        float u1 = ran1(seed);
        float R = static_cast<float>(double(u1) * double(rmax));
        float u2 = ran1(seed);
        float Z = static_cast<float>((double(u2) / double(hz)) * double(zmax));
        float f = fR(R), g = gZ(Z);
        if (ref.rhmin >= f) ref.rhmin = f;
        if (f >= ref.rhmax) ref.rhmax = f;
        if (ref.rhminz >= g) ref.rhminz = g;
        if (g >= ref.rhmaxz) ref.rhmaxz = g;
    }
    const int numd = in.numd;
    for (int i = 1;; ++i) {
        float R, Z;
        while (true) {
            R = static_cast<float>(double(ran1(seed)) * double(rmax));
            float f = fR(R);
            float w = static_cast<float>((double(ref.rhmax) - double(ref.rhmin)) * double(ran1(seed)) + double(ref.rhmin));
            if (!(w > f)) break;
        }
        while (true) {
            Z = static_cast<float>((double(ran1(seed)) / double(hz)) * double(zmax));
            float g = gZ(Z);
            float w = static_cast<float>((double(ref.rhmaxz) - double(ref.rhminz)) * double(ran1(seed)) + double(ref.rhminz));
            if (!(w > g)) break;
        }
        float s = ran1(seed) > 0.5f ? 1.0f : -1.0f;
        float z = static_cast<float>(double(Z) * double(hz) * double(s));
        float phi = static_cast<float>((double(pi) + double(pi)) * double(ran1(seed)));
        float x = static_cast<float>(double(R) * double(static_cast<float>(std::cos(double(phi)))));
        float y = static_cast<float>(double(R) * double(static_cast<float>(std::sin(double(phi)))));
        ref.rows.push_back({x, y, z});
        if (i >= numd) break;
    }
    ref.rows.resize(static_cast<std::size_t>(numd));
    for (const Vec3& p : in.added) ref.rows.push_back(p);
    const int n = static_cast<int>(ref.rows.size());

    // 100 bins, each checked against every particle.
    float dr = static_cast<float>(double(rmax) / 100.0);
    float rbin[101], cbin[101];
    for (int j = 1; j <= 100; ++j) { rbin[j] = static_cast<float>(double(j) * double(dr)); cbin[j] = 0.0f; }
    for (const Vec3& p : ref.rows) {
        float xx = static_cast<float>(double(p[0]) * double(p[0]));
        float yy = static_cast<float>(double(p[1]) * double(p[1]));
        float zz = static_cast<float>(double(p[2]) * double(p[2]));
        float r = static_cast<float>(std::sqrt(double(static_cast<float>(double(xx) + double(yy))) + double(zz)));
        for (int j = 1; j <= 100; ++j)
            if (rbin[j] >= r) cbin[j] = cbin[j] + 1.0f;
    }
    ref.thalf = static_cast<float>(double(cbin[100]) / 2.0);
    for (int j = 1; j <= 100; ++j)
        if (cbin[j] > ref.thalf) { ref.rhalf = rbin[j]; break; }
    float third = 1.0f / 3.0f;
    float c1 = static_cast<float>(std::pow(double(static_cast<float>(double(pi) * 4.0 / 3.0)), double(third)));
    float c2 = static_cast<float>(std::pow(double(ref.thalf), double(third)));
    ref.soft = static_cast<float>(double(ref.rhalf) * double(c1) / double(c2));
    ref.pmass = static_cast<float>(double(dmass) / double(static_cast<float>(n)));
    for (int i = 0; i < n; ++i) ref.totm = ref.totm + ref.pmass;
    return ref;
}

// Runs diskgen on `in` and compares every console figure and every record bit for bit
// with the recomputation.
void expect_run_matches(const Inputs& in, const Reference& ref) {
    Scratch s;
    const RunResult r = diskgen_case::run_diskgen(s, in);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto c = diskgen_case::read_console(r);
    EXPECT_EQ(bits(c.rhmin), bits(ref.rhmin));
    EXPECT_EQ(bits(c.rhmax), bits(ref.rhmax));
    EXPECT_EQ(bits(c.rhminz), bits(ref.rhminz));
    EXPECT_EQ(bits(c.rhmaxz), bits(ref.rhmaxz));
    EXPECT_EQ(bits(c.thalf), bits(ref.thalf));
    EXPECT_EQ(bits(c.rhalf), bits(ref.rhalf));
    EXPECT_EQ(bits(c.soft), bits(ref.soft));
    EXPECT_EQ(bits(c.totm), bits(ref.totm));
    EXPECT_EQ(bits(reals_of(s.lines("sip2.dat")[3])[0]), bits(ref.pmass));

    const auto rec = diskgen_case::records(s);
    ASSERT_EQ(rec.size(), ref.rows.size());
    for (std::size_t i = 1; i < rec.size(); ++i)  // record 1 is the centre particle
        for (int a = 0; a < 3; ++a) EXPECT_EQ(bits(rec[i][a]), bits(ref.rows[i][a])) << "record " << i + 1;
}

TEST(DiskgenBits, SmallRunMatchesTheFormulasBitForBit) {
    Inputs in;
    in.dmass = 3.0f;
    in.rmax = 6.0f;
    in.zmax = 0.7f;
    in.hz = 0.15f;
    in.hr = 1.7f;
    in.numd = 40;
    in.added = {{0.25f, 0.5f, -0.125f}, {2.0f, -1.0f, 0.3f}};
    expect_run_matches(in, recompute(in));
}

// The rejection levels lie between the envelope's minimum and maximum, w = (max - min) u
// + min, so the accepted density is f - fmin. With zmax = hz the scaled heights stay
// below 1, where sech^2 never falls under 0.42: a level drawn from 0 instead would
// accept other heights.
TEST(DiskgenBits, RejectionLevelsStartAtTheEnvelopeMinimum) {
    Inputs in;
    in.rmax = 8.0f;
    in.zmax = 0.3f;
    in.hz = 0.3f;
    in.hr = 2.5f;
    in.numd = 200;
    const Reference ref = recompute(in);
    ASSERT_GT(ref.rhminz, 0.4f);
    expect_run_matches(in, ref);
}

}  // namespace
}  // namespace galtk::test
