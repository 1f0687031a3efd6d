// A diskgen working directory for end-to-end tests: the three input files built from
// plain values, and the console and the written snapshot read back.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "support.hpp"

namespace galtk::test::diskgen_case {

using galtk::test::real_text;


struct Inputs {
    float dmass = 1.0f;
    float rmax = 10.0f;
    float zmax = 1.0f;
    float superseded = 7.0f;  // first value of record 3; "si1.dat" replaces it
    float hz = 0.2f;
    std::int32_t numd = 20;
    std::string fref = "0";   // text, so that NaN and odd values can be given
    float hr = 2.5f;
    std::int32_t nref = 1000;
    std::vector<Vec3> added;   // positions of "sip1.dat"
};

inline void write_inputs(const Scratch& s, const Inputs& in) {
    s.write("si2.para", real_text(in.dmass) + "\n" + real_text(in.rmax) + " " + real_text(in.zmax) + "\n" +
                            real_text(in.superseded) + " " + real_text(in.hz) + "\n" +
                            std::to_string(in.numd) + "\n");
    s.write("si1.dat", in.fref + "\n" + real_text(in.hr) + "\n" + std::to_string(in.nref) + "\n");
    s.write("sip1.dat", position_list(in.added));
}

inline RunResult run_diskgen(const Scratch& s, const Inputs& in) {
    write_inputs(s, in);
    return s.run("diskgen");
}

// The last `n` values of a console line (its label may hold commas and blanks).
inline std::vector<float> last_reals(const std::string& line, std::size_t n) {
    const std::vector<std::string> t = tokens(line);
    std::vector<float> v;
    for (std::size_t i = t.size() - n; i < t.size(); ++i) v.push_back(as_real(t[i]));
    return v;
}

// Console lines 1 to 7 of a completed run.
struct Console {
    std::int32_t numd = 0;
    float rhmin = 0, rhmax = 0, rhminz = 0, rhmaxz = 0;
    float thalf = 0, rhalf = 0, soft = 0, totm = 0;
};

inline Console read_console(const RunResult& r) {
    const std::vector<std::string> l = r.out_lines();
    Console c;
    EXPECT_EQ(l.size(), 7u) << r.out;
    if (l.size() != 7) return c;
    EXPECT_EQ(tokens(l[0])[0], "numd");
    EXPECT_EQ(l[1].rfind(" rh0,rhmin,rhmax,sigma0", 0), 0u);
    EXPECT_EQ(l[2].rfind(" rhminz,rhmaxz", 0), 0u);
    EXPECT_EQ(l[3], " DISK softening length");
    EXPECT_EQ(l[4].rfind(" thalf,rhalf", 0), 0u);
    EXPECT_EQ(l[5].rfind(" SOFTENING LENGTH=", 0), 0u);
    EXPECT_EQ(tokens(l[6])[0], "totm");
    c.numd = as_int(tokens(l[0])[1]);
    const auto env = last_reals(l[1], 4);
    EXPECT_EQ(env[0], 0.0f);  // rh0 and sigma0 are not computed
    EXPECT_EQ(env[3], 0.0f);
    c.rhmin = env[1];
    c.rhmax = env[2];
    const auto envz = last_reals(l[2], 2);
    c.rhminz = envz[0];
    c.rhmaxz = envz[1];
    const auto half = last_reals(l[4], 2);
    c.thalf = half[0];
    c.rhalf = half[1];
    c.soft = last_reals(l[5], 1)[0];
    c.totm = last_reals(l[6], 1)[0];
    return c;
}

// The particle records of "sip2.dat" (lines 5 on), each as its seven values.
inline std::vector<std::vector<float>> records(const Scratch& s) {
    const std::vector<std::string> l = s.lines("sip2.dat");
    std::vector<std::vector<float>> out;
    for (std::size_t i = 4; i < l.size(); ++i) out.push_back(reals_of(l[i]));
    return out;
}

}  // namespace galtk::test::diskgen_case
