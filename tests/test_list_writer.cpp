// The list-directed write and the nine-digit real format: layout, the forms of special
// values, and that every float written reads back to the same bits.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "frame_fixture.hpp"
#include "list_reader.hpp"
#include "list_writer.hpp"
#include "real_format.hpp"

namespace galtk::test {
namespace {

std::string text_of(float v) {
    char buf[real_text_room];
    return std::string(buf, format_real(v, buf));
}

// Correctly rounded nine significant digits, by the standard library's exact route.
std::string reference_digits(float v) {
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 8);
    std::string s(buf, r.ptr);
    return s.substr(0, 1) + s.substr(2, 8) + s.substr(10);  // "123456789e+05"
}

// The same digits recovered from our text (the text drops trailing zeros).
std::string digits_of_text(const std::string& text) {
    double v = std::fabs(std::strtod(text.c_str(), nullptr));
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 8);
    std::string s(buf, r.ptr);
    return s.substr(0, 1) + s.substr(2, 8) + s.substr(10);
}

void expect_round_trip(float v) {
    const std::string t = text_of(v);
    ASSERT_LE(t.size(), static_cast<std::size_t>(real_text_max));
    ASSERT_TRUE(t.find_first_of(".E") != std::string::npos || t == "NaN" || t.find("Infinity") != std::string::npos)
        << t;
    float back = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), back);
    ASSERT_TRUE(ec == std::errc() && p == t.data() + t.size()) << t;
    if (std::isnan(v)) {
        ASSERT_TRUE(std::isnan(back));
        return;
    }
    ASSERT_EQ(bits(back), bits(v)) << "bits " << std::hex << bits(v) << " written as " << t;
    if (std::isfinite(v) && v != 0.0f) {
        ASSERT_EQ(digits_of_text(t), reference_digits(v)) << t;
    }
}

TEST(RealFormat, ChosenForms) {
    EXPECT_EQ(text_of(0.0f), "0.0");
    EXPECT_EQ(text_of(-0.0f), "-0.0");
    EXPECT_EQ(text_of(1.0f), "1.0");
    EXPECT_EQ(text_of(0.125f), "0.125");
    EXPECT_EQ(text_of(0.41599935f), "0.415999353");
    EXPECT_EQ(text_of(0.59999996f), "0.599999964");
    EXPECT_EQ(text_of(3000.0f), "3000.0");
    EXPECT_EQ(text_of(0.001f), "0.00100000005");
    EXPECT_EQ(text_of(0.000999f), "9.9900004E-04");
    EXPECT_EQ(text_of(123456792.0f), "123456792.0");
    EXPECT_EQ(text_of(1e9f), "1.0E+09");
    EXPECT_EQ(text_of(std::numeric_limits<float>::max()), "3.40282347E+38");
    EXPECT_EQ(text_of(std::numeric_limits<float>::denorm_min()), "1.40129846E-45");
    EXPECT_EQ(text_of(std::numeric_limits<float>::infinity()), "Infinity");
    EXPECT_EQ(text_of(-std::numeric_limits<float>::infinity()), "-Infinity");
    EXPECT_EQ(text_of(std::numeric_limits<float>::quiet_NaN()), "NaN");
    // A float whose tenth digit is an exact half: ties go to the even digit.
    EXPECT_EQ(text_of(1234567.125f), "1234567.12");
}

TEST(RealFormat, BoundariesAndSpecialPatternsReadBack) {
    const float specials[] = {0.0f,
                              -0.0f,
                              std::numeric_limits<float>::denorm_min(),
                              -std::numeric_limits<float>::denorm_min(),
                              std::numeric_limits<float>::min(),
                              std::numeric_limits<float>::max(),
                              -std::numeric_limits<float>::max(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN()};
    for (float v : specials) expect_round_trip(v);
    // Around every power of ten, where the digit count and the form switch.
    for (int e = -45; e <= 38; ++e) {
        float p = std::strtof(("1e" + std::to_string(e)).c_str(), nullptr);
        float lo = p, hi = p;
        for (int k = 0; k < 50; ++k) {
            expect_round_trip(lo);
            expect_round_trip(hi);
            expect_round_trip(-lo);
            lo = std::nextafter(lo, 0.0f);
            hi = std::nextafter(hi, std::numeric_limits<float>::infinity());
        }
    }
}

TEST(RealFormat, LargeSampleOfBitPatternsReadsBack) {
    std::mt19937 gen(12345);
    // Every 2^32 / 4M-th pattern plus random ones: all exponents, both signs.
    for (std::uint64_t b = 0; b < (1ull << 32); b += 2039) expect_round_trip(from_bits(static_cast<std::uint32_t>(b)));
    for (int i = 0; i < 500000; ++i) expect_round_trip(from_bits(static_cast<std::uint32_t>(gen())));
}

using WriterTest = FrameTest;

TEST_F(WriterTest, LineLayout) {
    Unit& u = output(10, "out.dat");
    write_list(u, "fdisk", 0.5f);
    write_list(u, std::int32_t{4}, -2147483647 - 1);
    write_list(u, "filename1=", std::string("2df.dat.m1   "));
    write_list(u, "i", std::int32_t{7}, "tail");
    write_list(u);
    run().finish();
    auto lines = scratch.lines("out.dat");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], " fdisk 0.5");
    EXPECT_EQ(lines[1], "            4 -2147483648");
    EXPECT_EQ(lines[2], " filename1=2df.dat.m1   ");
    EXPECT_EQ(lines[3], " i           7 tail");
    EXPECT_EQ(lines[4], " ");
}

TEST_F(WriterTest, RepeatedValuesAreWrittenLikeAnyOther) {
    // A unit reuses the text of a real that repeats; zeros, signs and NaN in between must
    // not bring back a stale text.
    const float m = 0.125f;
    const float seq[] = {m, 0.0f, m, -0.0f, m, -m, -m, std::numeric_limits<float>::quiet_NaN(), 1e-45f, 1e-45f, m};
    Unit& u = output(10, "rep.dat");
    for (float v : seq) write_list(u, v, v, 0.0f, v);
    u.flush();
    auto lines = scratch.lines("rep.dat");
    ASSERT_EQ(lines.size(), std::size(seq));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string t = text_of(seq[i]);
        EXPECT_EQ(lines[i], " " + t + " " + t + " 0.0 " + t) << i;
    }
}

TEST_F(WriterTest, WrittenValuesReadBackThroughTheReader) {
    std::mt19937 gen(99);
    std::vector<float> values;
    for (int i = 0; i < 70000; ++i) values.push_back(from_bits(static_cast<std::uint32_t>(gen())));
    Unit& w = output(10, "rt.dat");
    for (std::size_t i = 0; i < values.size(); i += 7)
        write_list(w, values[i], values[i + 1], values[i + 2], values[i + 3], values[i + 4], values[i + 5],
                   static_cast<std::int32_t>(i), values[i + 6]);
    w.flush();
    Unit& r = run().open_unit(11, scratch.path("rt.dat").string());
    for (std::size_t i = 0; i < values.size(); i += 7) {
        float v[7];
        std::int32_t n;
        read_list(r, {"record"}, v[0], v[1], v[2], v[3], v[4], v[5], n, v[6]);
        ASSERT_EQ(n, static_cast<std::int32_t>(i));
        for (int k = 0; k < 7; ++k) {
            if (std::isnan(values[i + k])) ASSERT_TRUE(std::isnan(v[k]));
            else ASSERT_EQ(bits(v[k]), bits(values[i + k]));
        }
    }
}

}  // namespace
}  // namespace galtk::test
