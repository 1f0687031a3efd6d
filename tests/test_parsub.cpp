// parsub end to end: the template copied with records 10, 13 and 14 replaced, the disk
// scale file, and what a failed run leaves behind.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support.hpp"

namespace galtk::test {
namespace {

// A template of the 21 records; records 1, 3 and 8 are integers. Record 1 carries a
// comment and record 5 a second number, neither of which is copied; some reals are
// written as integers or in exponent form.
const std::string template_text =
    structural_records({}, 21, {{1, "1   ! number of components"}, {3, "-7"}, {4, "1.5e-3"}, {5, "2.0 99.0"},
                                {8, "12"}, {9, "1e9"}, {12, "3"}, {17, "6"}, {20, "-8.5"}});

void write_inputs(const Scratch& s, const std::string& th3) {
    s.write("sh1.para0", template_text);
    s.write("th3.dat", th3);
    s.write("th4.dat", "0.2\n0.7\n");
    s.write("th5.dat", "2.75 extra\n");
    s.write("th6.dat", "3.5\n");
}

// Record 10 of "sh1.para" after a run with `th3` as "th3.dat".
float bulge_record(const std::string& th3) {
    Scratch s;
    write_inputs(s, th3);
    const RunResult r = s.run("parsub");
    EXPECT_EQ(r.status, 0) << r.err;
    const auto lines = s.lines("sh1.para");
    EXPECT_EQ(lines.size(), 21u);
    if (lines.size() < 10) return -1.0f;
    return as_real(tokens(lines[9])[0]);
}

TEST(Parsub, CopiesTheTemplateWithThreeRecordsReplaced) {
    Scratch s;
    write_inputs(s, "4\n");
    const RunResult r = s.run("parsub");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");

    const auto out = s.lines("sh1.para");
    ASSERT_EQ(out.size(), 21u);
    std::vector<std::string> given;
    for (const std::string& line : s.lines("sh1.para0")) given.push_back(tokens(line)[0]);
    for (int k = 1; k <= 21; ++k) {
        const auto t = tokens(out[k - 1]);
        ASSERT_EQ(t.size(), 1u) << "record " << k << ": " << out[k - 1];
        if (k == 1 || k == 3 || k == 8) {
            EXPECT_EQ(as_int(t[0]), as_int(given[k - 1])) << "record " << k;
            EXPECT_EQ(t[0].find('.'), std::string::npos) << "integer record " << k << " written as " << t[0];
        } else if (k == 10) {
            EXPECT_EQ(bits(as_real(t[0])), bits(0.25f));
        } else if (k == 13) {
            EXPECT_EQ(bits(as_real(t[0])), bits(0.2f));  // the first line of th4.dat
        } else if (k == 14) {
            EXPECT_EQ(bits(as_real(t[0])), bits(3.5f));
        } else {
            EXPECT_EQ(bits(as_real(t[0])), bits(as_real(given[k - 1]))) << "record " << k;
        }
    }
    const auto rdisk = s.lines("rdisk.para");
    ASSERT_EQ(rdisk.size(), 1u);
    EXPECT_EQ(tokens(rdisk[0]), std::vector<std::string>{"2.75"});
}

TEST(Parsub, BulgeRecordIsTheReciprocalOfS3OrAThousand) {
    EXPECT_EQ(bits(bulge_record("4\n")), bits(0.25f));
    EXPECT_EQ(bits(bulge_record("3\n")), bits(1.0f / 3.0f));
    EXPECT_EQ(bits(bulge_record("-2\n")), bits(-0.5f));
    EXPECT_EQ(bits(bulge_record("0\n")), bits(1000.0f));
    EXPECT_EQ(bits(bulge_record("-0.0\n")), bits(1000.0f));
    EXPECT_TRUE(std::isnan(bulge_record("NaN\n")));
    // A null value leaves s3 at zero.
    EXPECT_EQ(bits(bulge_record(",\n")), bits(1000.0f));
}

TEST(Parsub, WrongTypeInTheTemplateWritesNeitherOutput) {
    Scratch s;
    write_inputs(s, "4\n");
    std::string bad = template_text;
    bad.replace(bad.find("-7\n"), 2, "2.5");
    s.write("sh1.para0", bad);
    s.write("sh1.para", "previous sh1\n");
    s.write("rdisk.para", "previous rdisk\n");
    const RunResult r = s.run("parsub");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("sh1.para0"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("record 3"), std::string::npos) << r.err;
    EXPECT_EQ(s.read("sh1.para"), "previous sh1\n");
    EXPECT_EQ(s.read("rdisk.para"), "previous rdisk\n");
}

TEST(Parsub, AbsentLastInputLeavesTheDiskScaleWrittenAndSh1Untouched) {
    Scratch s;
    write_inputs(s, "4\n");
    std::filesystem::remove(s.path("th6.dat"));
    s.write("sh1.para", "previous sh1\n");
    const RunResult r = s.run("parsub");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("th6.dat"), std::string::npos) << r.err;
    EXPECT_TRUE(s.exists("th6.dat"));
    EXPECT_EQ(s.read("th6.dat"), "");
    const auto rdisk = s.lines("rdisk.para");
    ASSERT_EQ(rdisk.size(), 1u);
    EXPECT_EQ(tokens(rdisk[0]), std::vector<std::string>{"2.75"});
    EXPECT_EQ(s.read("sh1.para"), "previous sh1\n");
}

}  // namespace
}  // namespace galtk::test
