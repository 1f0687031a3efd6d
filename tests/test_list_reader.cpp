// The list-directed read: separators, continuation over lines, repeat and null forms,
// the slash, exponent letters, type and range checks, and the diagnostics.
#include <cmath>
#include <limits>
#include <random>

#include "frame_fixture.hpp"
#include "list_reader.hpp"

namespace galtk::test {
namespace {

using ReaderTest = FrameTest;

TEST_F(ReaderTest, BlanksCommasTabsAndCarriageReturnsSeparate) {
    Unit& u = input(1, "a", "1 2.5,3 ,  4\t5\r\n");
    std::int32_t a = 0, d = 0;
    float b = 0, c = 0, e = 0;
    read_list(u, {"values"}, a, b, c, d, e);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2.5f);
    EXPECT_EQ(c, 3.0f);
    EXPECT_EQ(d, 4);
    EXPECT_EQ(e, 5.0f);
}

TEST_F(ReaderTest, ReadContinuesOnNextLinesAndDiscardsTheRest) {
    // Two values per line, a read of three: the third comes from line 2, whose second
    // value is discarded; the next read starts on line 3.
    Unit& u = input(1, "a", "1 2\n3 4\n5 6 7 ! comment\n8\n");
    float a, b, c, d;
    read_list(u, {"first"}, a, b, c);
    read_list(u, {"second"}, d);
    EXPECT_EQ(c, 3.0f);
    EXPECT_EQ(d, 5.0f);
    read_list(u, {"third"}, d);
    EXPECT_EQ(d, 8.0f);
}

TEST_F(ReaderTest, RepeatNullAndSlashForms) {
    Unit& u = input(1, "a", "3*2.5 2* 7\n,5,,6\n1 / 9 9\n1,\n,2\n");
    float v[6] = {-1, -1, -1, -1, -1, -1};
    read_list(u, {"repeat"}, reals(v));
    EXPECT_EQ(v[0], 2.5f);
    EXPECT_EQ(v[2], 2.5f);
    EXPECT_EQ(v[3], -1.0f);  // r* leaves its destinations unchanged
    EXPECT_EQ(v[4], -1.0f);
    EXPECT_EQ(v[5], 7.0f);
    float w[4] = {-1, -1, -1, -1};
    read_list(u, {"nulls"}, reals(w));  // leading comma: null; two commas: one null
    EXPECT_EQ(w[0], -1.0f);
    EXPECT_EQ(w[1], 5.0f);
    EXPECT_EQ(w[2], -1.0f);
    EXPECT_EQ(w[3], 6.0f);
    float x[3] = {-1, -1, -1};
    read_list(u, {"slash"}, reals(x));
    EXPECT_EQ(x[0], 1.0f);
    EXPECT_EQ(x[1], -1.0f);
    EXPECT_EQ(x[2], -1.0f);
    float y[3] = {-1, -1, -1};
    // A comma at a line end adds no null value; the comma first on the next line, after
    // it, is a separator of its own and so a null.
    read_list(u, {"line-end comma"}, reals(y));
    EXPECT_EQ(y[0], 1.0f);
    EXPECT_EQ(y[1], -1.0f);
    EXPECT_EQ(y[2], 2.0f);
}

TEST_F(ReaderTest, RealForms) {
    Unit& u = input(1, "a", "3 -2.5e1 1.5D2 .5 +7. 1d-3 -0 1e-50 1e-40 inf -Infinity NaN 2E+38\n");
    float v[13];
    read_list(u, {"reals"}, reals(v));
    EXPECT_EQ(v[0], 3.0f);
    EXPECT_EQ(v[1], -25.0f);
    EXPECT_EQ(v[2], 150.0f);
    EXPECT_EQ(v[3], 0.5f);
    EXPECT_EQ(v[4], 7.0f);
    EXPECT_EQ(v[5], 0.001f);
    EXPECT_TRUE(v[6] == 0.0f && std::signbit(v[6]));
    EXPECT_EQ(v[7], 0.0f);                    // below the smallest subnormal: zero
    EXPECT_EQ(bits(v[8]), bits(1e-40f));      // subnormal, no diagnostic
    EXPECT_EQ(v[9], std::numeric_limits<float>::infinity());
    EXPECT_EQ(v[10], -std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(v[11]));
    EXPECT_EQ(v[12], 2e38f);
}

TEST_F(ReaderTest, IntegerLimits) {
    Unit& u = input(1, "a", "2147483647 -2147483648 +5\n");
    std::int32_t a, b, c;
    read_list(u, {"ints"}, a, b, c);
    EXPECT_EQ(a, 2147483647);
    EXPECT_EQ(b, -2147483647 - 1);
    EXPECT_EQ(c, 5);
}

TEST_F(ReaderTest, ReadWithoutDestinationsTakesOneLine) {
    Unit& u = input(1, "a", "1 2\n3\n");
    read_list(u, {"nothing"});
    float v;
    read_list(u, {"after"}, v);
    EXPECT_EQ(v, 3.0f);
}

TEST_F(ReaderTest, LongLinesAcrossBufferBoundaries) {
    std::string content(3u << 20, ' ');  // one line longer than a read block
    content += "42\n";
    for (int i = 0; i < 200000; ++i) content += std::to_string(i) + " 1.5 x\n";
    Unit& u = input(1, "a", content);
    std::int32_t v;
    read_list(u, {"long line"}, v);
    EXPECT_EQ(v, 42);
    float f;
    for (int i = 0; i < 200000; ++i) {
        read_list(u, {"record", i}, v, f);
        ASSERT_EQ(v, i);
    }
    EXPECT_EQ(u.line_number(), 200001);
}

TEST_F(ReaderTest, DecimalTokensRoundLikeTheCLibrary) {
    // Random decimal texts of every length and exponent, including ties and subnormals:
    // the reader's value must be the correctly rounded float, as strtof gives it.
    std::mt19937_64 gen(7);
    std::vector<std::string> texts;
    for (int i = 0; i < 200000; ++i) {
        std::string t = (gen() & 1) ? "-" : "";
        int digits = 1 + static_cast<int>(gen() % 20);
        int point = static_cast<int>(gen() % (digits + 1));
        for (int k = 0; k < digits; ++k) {
            if (k == point) t += '.';
            t += static_cast<char>('0' + gen() % 10);
        }
        if (gen() % 3 == 0) t += (gen() & 1 ? "e" : "D") + std::to_string(static_cast<int>(gen() % 90) - 50);
        std::string c = t;
        for (char& ch : c)
            if (ch == 'D') ch = 'e';
        if (std::isinf(std::strtof(c.c_str(), nullptr))) continue;  // beyond the float range: a diagnostic
        texts.push_back(t);
    }
    // Exact midpoints between neighbouring floats, which only the slow route gets right.
    texts.push_back("16777217");
    texts.push_back("1.00000005960464477539062500");
    texts.push_back("3.4028235677973366e38");
    std::string content;
    for (auto& t : texts) content += t + "\n";
    Unit& u = input(1, "tokens", content);
    for (auto& t : texts) {
        float v = -1;
        read_list(u, {"token"}, v);
        std::string c = t;
        for (char& ch : c)
            if (ch == 'D') ch = 'e';
        const float expected = std::strtof(c.c_str(), nullptr);
        ASSERT_EQ(bits(v), bits(expected)) << t;
    }
}

// Each bad input ends the run with one diagnostic line naming the program, unit, file,
// line and what was read, and exit status 2.
struct BadCase {
    const char* content;
    bool integer;
    const char* message;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.message; }

class ReaderFailure : public FrameTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(ReaderFailure, EndsWithOneDiagnosticLine) {
    const BadCase& c = GetParam();
    Unit& u = input(7, "bad.dat", std::string("0\n") + c.content);
    std::int32_t skip;
    read_list(u, {"first"}, skip);
    EXPECT_EXIT(
        {
            std::int32_t i;
            float f;
            if (c.integer) read_list(u, {"record 2 (count)"}, i);
            else read_list(u, {"record 2 (fbar)"}, f);
        },
        ::testing::ExitedWithCode(2),
        ::testing::ContainsRegex(std::string("^frametest: read failed on unit 7, file \".*bad.dat\", ") + c.message +
                                 ".*\n$"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderFailure,
    ::testing::Values(BadCase{"3.0\n", true, "line 2: record 2 \\(count\\): expected an integer, found \"3.0\""},
                      BadCase{"2147483648\n", true, "line 2: record 2 \\(count\\): integer outside"},
                      BadCase{"1e39\n", false, "line 2: record 2 \\(fbar\\): real beyond the single-precision range"},
                      BadCase{"abc\n", false, "line 2: record 2 \\(fbar\\): expected a real, found \"abc\""},
                      BadCase{"", false, "end of file after line 1: record 2 \\(fbar\\): expected a real"},
                      BadCase{"\n\n", true, "end of file after line 3: record 2 \\(count\\): expected an integer"},
                      BadCase{"+-5\n", true, "line 2: .*expected an integer, found \"\\+-5\""},
                      BadCase{"1.5e\n", false, "line 2: .*found \"1.5e\""},
                      BadCase{"0*4\n", false, "line 2: .*expected a repeat count"},
                      BadCase{"\x01\x02\n", false, "line 2: .*found \"\\\\x01\\\\x02\""}));

TEST_F(ReaderTest, EmptyFileNamesTheFileAsEmpty) {
    Unit& u = input(3, "empty.dat", "");
    EXPECT_EXIT(
        {
            float f;
            read_list(u, {"bulge count"}, f);
        },
        ::testing::ExitedWithCode(2), "an empty file: bulge count: expected a real");
}

}  // namespace
}  // namespace galtk::test
