// parsample end to end: the draws of the four parameters from one ran1 stream, the mode
// overrides, the scaled table, and the files that a run leaves alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.hpp"

namespace galtk::test {
namespace {

const char* const param_files[] = {"th1.dat", "th2.dat", "th0.dat", "th01.dat"};

RunResult run_parsample(const Scratch& s, const std::string& ndraw, const std::string& th1a) {
    s.write("th1.para", ndraw + "\n");
    s.write("th1a.para", th1a);
    return s.run("parsample");
}

// The single real of every line of a parameter file.
std::vector<float> column(const Scratch& s, const char* file) {
    std::vector<float> v;
    for (const std::string& line : s.lines(file)) {
        const auto t = tokens(line);
        EXPECT_EQ(t.size(), 1u) << file << ": " << line;
        if (!t.empty()) v.push_back(as_real(t[0]));
    }
    return v;
}

void expect_reals(const std::vector<float>& got, const std::vector<const char*>& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(bits(got[i]), bits(as_real(want[i]))) << what << " value " << i + 1 << ": " << got[i];
}

TEST(Parsample, ModeOneTwoDrawsOfTheUnitInterval) {
    Scratch s;
    const RunResult r = run_parsample(s, "2", "1\n0 1\n0 1\n0 1\n0 1\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    expect_reals(column(s, "th1.dat"), {"0.41599935", "0.091964893"}, "th1.dat");
    EXPECT_EQ(bits(column(s, "th1.dat")[0]), 0x3ED4FDDEu);
    EXPECT_EQ(bits(column(s, "th1.dat")[1]), 0x3DBC5817u);
    expect_reals(column(s, "th2.dat"), {"0.75641048", "0.52970022"}, "th2.dat");
    EXPECT_EQ(bits(column(s, "th2.dat")[0]), 0x3F41A41Eu);
    expect_reals(column(s, "th0.dat"), {"0.93043649", "0.38350207"}, "th0.dat");
    expect_reals(column(s, "th01.dat"), {"0.65391898", "0.066842236"}, "th01.dat");

    const auto denve = s.lines("denve.dat");
    ASSERT_EQ(denve.size(), 3u);
    EXPECT_EQ(tokens(denve[0]), std::vector<std::string>{"2"});
    expect_reals(reals_of(denve[1]), {"4.1599936", "9.3043652"}, "denve.dat draw 1");
    expect_reals(reals_of(denve[2]), {"0.91964895", "3.8350205"}, "denve.dat draw 2");
}

// th1a.para with the given mode and wide bounds for the four parameters.
std::string wide_bounds(char mode) {
    std::string text(1, mode);
    text.append("\n0.5 2.5\n-1 1\n0.01 0.3\n10 20\n");
    return text;
}

TEST(Parsample, ModeTwoPinsParametersThreeAndFour) {
    Scratch one;
    ASSERT_EQ(run_parsample(one, "7", wide_bounds('1')).status, 0);
    Scratch two;
    ASSERT_EQ(run_parsample(two, "7", wide_bounds('2')).status, 0);

    EXPECT_EQ(two.read("th1.dat"), one.read("th1.dat"));
    EXPECT_EQ(two.read("th2.dat"), one.read("th2.dat"));
    for (float v : column(two, "th0.dat")) EXPECT_EQ(bits(v), bits(0.5f));
    for (float v : column(two, "th01.dat")) EXPECT_EQ(bits(v), bits(0.05f));
    EXPECT_EQ(column(two, "th0.dat").size(), 7u);

    const auto a = one.lines("denve.dat");
    const auto b = two.lines("denve.dat");
    ASSERT_EQ(b.size(), 8u);
    for (std::size_t i = 1; i < b.size(); ++i) {
        EXPECT_EQ(bits(reals_of(b[i])[0]), bits(reals_of(a[i])[0])) << "draw " << i;
        EXPECT_EQ(bits(reals_of(b[i])[1]), bits(0.0f)) << "draw " << i;
    }
}

TEST(Parsample, ModeThreePinsOnlyParameterFour) {
    Scratch one;
    ASSERT_EQ(run_parsample(one, "5", wide_bounds('1')).status, 0);
    Scratch three;
    ASSERT_EQ(run_parsample(three, "5", wide_bounds('3')).status, 0);
    for (const char* f : {"th1.dat", "th2.dat", "th0.dat", "denve.dat"}) EXPECT_EQ(three.read(f), one.read(f)) << f;
    const auto th01 = column(three, "th01.dat");
    ASSERT_EQ(th01.size(), 5u);
    for (float v : th01) EXPECT_EQ(bits(v), bits(0.05f));
}

TEST(Parsample, EqualBoundsRepeatTheValueAndKeepTheStream) {
    Scratch free_run;
    ASSERT_EQ(run_parsample(free_run, "4", wide_bounds('1')).status, 0);
    Scratch pinned;
    ASSERT_EQ(run_parsample(pinned, "4", "1\n1.75 1.75\n-1 1\n0.01 0.3\n10 20\n").status, 0);
    for (float v : column(pinned, "th1.dat")) EXPECT_EQ(bits(v), bits(1.75f));
    for (const char* f : {"th2.dat", "th0.dat", "th01.dat"}) EXPECT_EQ(pinned.read(f), free_run.read(f)) << f;
    const auto a = free_run.lines("denve.dat");
    const auto b = pinned.lines("denve.dat");
    ASSERT_EQ(b.size(), 5u);
    for (std::size_t i = 1; i < b.size(); ++i) {
        EXPECT_EQ(bits(reals_of(b[i])[0]), bits(0.0f));
        EXPECT_EQ(reals_of(b[i])[1], reals_of(a[i])[1]);
    }
}

TEST(Parsample, ReversedBoundsScaleFromTheLowerBoundGiven) {
    Scratch s;
    ASSERT_EQ(run_parsample(s, "50", "1\n3 -2\n0 1\n1 0\n0 1\n").status, 0);
    const auto x1 = column(s, "th1.dat");
    const auto x3 = column(s, "th0.dat");
    const auto denve = s.lines("denve.dat");
    ASSERT_EQ(x1.size(), 50u);
    ASSERT_EQ(denve.size(), 51u);
    for (std::size_t i = 0; i < x1.size(); ++i) {
        EXPECT_TRUE(x1[i] <= 3.0f && x1[i] >= -2.0f) << x1[i];
        const auto row = reals_of(denve[i + 1]);
        // Measured from the first bound: (10 (x - lo)) / (hi - lo), rounded at each step.
        EXPECT_EQ(bits(row[0]), bits((10.0f * (x1[i] - 3.0f)) / (-2.0f - 3.0f)));
        EXPECT_EQ(bits(row[1]), bits((10.0f * (x3[i] - 1.0f)) / (0.0f - 1.0f)));
        EXPECT_TRUE(row[0] >= 0.0f && row[0] <= 10.0f) << row[0];
    }
    // The first value of the stream carried from the first bound towards the second.
    EXPECT_EQ(bits(x1[0]), bits(0.41599935f * (-2.0f - 3.0f) + 3.0f));
}

TEST(Parsample, NoDrawsLeaveTheParameterFilesAsTheyWere) {
    for (const char* ndraw : {"0", "-5"}) {
        Scratch s;
        for (const char* f : param_files) s.write(f, std::string("old ") + f + "\n");
        s.write("denve.dat", "3\n1 2\n3 4\n5 6\n");
        const RunResult r = run_parsample(s, ndraw, wide_bounds('1'));
        ASSERT_EQ(r.status, 0) << r.err;
        for (const char* f : param_files) EXPECT_EQ(s.read(f), std::string("old ") + f + "\n") << f;
        const auto denve = s.lines("denve.dat");
        ASSERT_EQ(denve.size(), 1u) << ndraw;
        EXPECT_EQ(tokens(denve[0]), std::vector<std::string>{ndraw});
    }
}

TEST(Parsample, RunsAreRepeatableAndOldContentIsReplaced) {
    Scratch first;
    ASSERT_EQ(run_parsample(first, "1000", wide_bounds('1')).status, 0);
    Scratch second;
    std::string old_content(30000, 'x');
    old_content.push_back('\n');
    for (const char* f : param_files) second.write(f, old_content);
    ASSERT_EQ(run_parsample(second, "1000", wide_bounds('1')).status, 0);
    for (const char* f : {"th1.dat", "th2.dat", "th0.dat", "th01.dat", "denve.dat"})
        EXPECT_EQ(second.read(f), first.read(f)) << f;
    EXPECT_EQ(first.lines("th01.dat").size(), 1000u);
}

TEST(Parsample, MoreDrawsThanTheOldTableHeld) {
    Scratch s;
    ASSERT_EQ(run_parsample(s, "100001", "1\n0 1\n0 1\n0 1\n0 1\n").status, 0);
    const auto denve = s.lines("denve.dat");
    ASSERT_EQ(denve.size(), 100002u);
    // Parameter 1 with bounds 0 and 1 is the stream itself; its scaled position is 10 u.
    const float u = as_real(tokens(s.lines("th1.dat").back())[0]);
    EXPECT_EQ(bits(reals_of(denve.back())[0]), bits(10.0f * u));
}

}  // namespace
}  // namespace galtk::test
