#include "real_format.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace galtk {

namespace {

constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// 10^d for d = -46 .. 53 (as nearest doubles): the decimal exponents a float can have,
// and the scales that bring any float to nine integer digits.
constexpr int pow10_low = -46;
constexpr double pow10_table[] = {
    1e-46, 1e-45, 1e-44, 1e-43, 1e-42, 1e-41, 1e-40, 1e-39, 1e-38, 1e-37, 1e-36, 1e-35, 1e-34, 1e-33, 1e-32,
    1e-31, 1e-30, 1e-29, 1e-28, 1e-27, 1e-26, 1e-25, 1e-24, 1e-23, 1e-22, 1e-21, 1e-20, 1e-19, 1e-18, 1e-17,
    1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9,  1e-8,  1e-7,  1e-6,  1e-5,  1e-4,  1e-3,  1e-2,
    1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,   1e5,   1e6,   1e7,   1e8,   1e9,   1e10,  1e11,  1e12,  1e13,
    1e14,  1e15,  1e16,  1e17,  1e18,  1e19,  1e20,  1e21,  1e22,  1e23,  1e24,  1e25,  1e26,  1e27,  1e28,
    1e29,  1e30,  1e31,  1e32,  1e33,  1e34,  1e35,  1e36,  1e37,  1e38,  1e39,  1e40,  1e41,  1e42,  1e43,
    1e44,  1e45,  1e46,  1e47,  1e48,  1e49,  1e50,  1e51,  1e52,  1e53};
inline double pow10(int d) { return pow10_table[d - pow10_low]; }

// Nine significant digits of |value| as an integer q in [1e8, 1e9) and the decimal
// exponent d of its first digit (|value| ~ q * 10^(d-8)), by the exact slow route.
void digits_exact(float value, std::uint32_t& q, int& d) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 8);
    // "d.ddddddddE±xx"
    q = static_cast<std::uint32_t>(buf[0] - '0');
    for (int i = 2; i < 10; ++i) q = q * 10 + static_cast<std::uint32_t>(buf[i] - '0');
    int exp = 0;
    std::from_chars(buf + 11 + (buf[11] == '+' ? 1 : 0), res.ptr, exp);
    d = exp;
}

// The same, fast: one double product scales the float to nine integer digits. The
// float is exact in double and the scale carries at most one rounding, so the product
// is within 2^-52 relative (below 3e-7 absolute) of the true value; only a fraction
// within 1e-6 of one half (a possible tie) needs the exact route.
inline bool digits_fast(float value, std::uint32_t& q, int& d) {
    const double x = std::fabs(static_cast<double>(value));
    std::uint64_t xb;
    std::memcpy(&xb, &x, sizeof xb);
    const int e2 = static_cast<int>((xb >> 52) & 0x7ff) - 1022;  // x = m * 2^e2, 0.5 <= m < 1
    // floor((e2 - 1) * log10(2)) is floor(log10(x)) or one below it. Both candidate
    // scalings are computed at once and the one that lands in [1e8, 1e9) is kept, so the
    // choice does not hold up the multiplication.
    const int dec0 = ((e2 - 1) * 78913) >> 18;
    const double y_low = x * pow10(8 - dec0);
    const double y_high = x * pow10(7 - dec0);
    const bool above = y_low >= 1e9;
    const double y = above ? y_high : y_low;
    const int dec = dec0 + (above ? 1 : 0);
    if (!(y >= 1e8 && y < 1e9)) return false;
    const auto whole = static_cast<std::uint32_t>(y);
    const double frac = y - whole;
    if (std::fabs(frac - 0.5) < 1e-6) return false;
    q = whole + (frac > 0.5 ? 1u : 0u);
    d = dec;
    if (q == 1000000000u) {
        q = 100000000u;
        ++d;
    }
    return true;
}

// The last eight of the nine digits of q as eight characters in one 64-bit word (the
// first character in the lowest byte), built in registers from two independent halves so
// that nothing is stored and read back before the text is written.
inline std::uint64_t last_eight_digits(std::uint32_t rest) {
    const std::uint32_t hi = rest / 10000u;
    const std::uint32_t lo = rest - hi * 10000u;
    const std::uint32_t h1 = hi / 100u, h2 = hi - h1 * 100u;
    const std::uint32_t l1 = lo / 100u, l2 = lo - l1 * 100u;
    auto pair = [](std::uint32_t v) {
        std::uint16_t p;
        std::memcpy(&p, digit_pairs + 2 * v, 2);
        return static_cast<std::uint64_t>(p);
    };
    return pair(h1) | pair(h2) << 16 | pair(l1) << 32 | pair(l2) << 48;
}

}  // namespace

char* format_real(float value, char* out) {
    char room[real_text_room];
    const auto len = static_cast<std::size_t>(format_real_in_room(value, room) - room);
    std::memcpy(out, room, len);
    return out + len;
}

char* format_real_in_room(float value, char* out) {
    // Every copy below has a fixed size, so that it compiles to a few moves; the text is
    // then cut to its length by the returned end.
    if (std::isnan(value)) {
        std::memcpy(out, "NaN", 4);
        return out + 3;
    }
    // The sign without a branch: data with both signs would mispredict half the time.
    *out = '-';
    out += std::signbit(value) ? 1 : 0;
    if (std::isinf(value)) {
        std::memcpy(out, "Infinity", 8);
        return out + 8;
    }
    if (value == 0.0f) {
        std::memcpy(out, "0.0", 4);
        return out + 3;
    }
    std::uint32_t q;
    int d;
    if (!digits_fast(value, q, d)) digits_exact(value, q, d);
    const char first = static_cast<char>('0' + q / 100000000u);
    const std::uint64_t eight = last_eight_digits(q % 100000000u);

    // Trailing zero digits are dropped: their count comes from the word of digits
    // itself (a '0' byte xor '0' is a zero byte), so no loop and no data-dependent branch.
    const std::uint64_t marks = eight ^ 0x3030303030303030u;
    const int zeros = marks == 0 ? 8 : std::countl_zero(marks) / 8;

    // Every store below has a fixed size; the returned end cuts the text to its length.
    if (d >= 0 && d <= 7) {
        // ddd.ddd: the nine digits, then the fraction moved one place right of the point;
        // at least one digit stays after the point.
        out[0] = first;
        std::memcpy(out + 1, &eight, 8);
        const std::uint64_t fraction = eight >> (8 * d);
        std::memcpy(out + d + 2, &fraction, 8);
        out[d + 1] = '.';
        return out + 10 - std::min(zeros, 7 - d);
    }
    if (d == 8) {
        // ddddddddd.0
        out[0] = first;
        std::memcpy(out + 1, &eight, 8);
        std::memcpy(out + 9, ".0", 2);
        return out + 11;
    }
    if (d < 0 && d >= -3) {
        // 0.000ddd
        std::memcpy(out, "0.000000", 8);
        out[1 - d] = first;
        std::memcpy(out + 2 - d, &eight, 8);
        return out + 10 - d - zeros;
    }
    // d.dddE+xx
    out[0] = first;
    out[1] = '.';
    std::memcpy(out + 2, &eight, 8);
    char* e = out + 10 - std::min(zeros, 7);
    e[0] = 'E';
    e[1] = d < 0 ? '-' : '+';
    const int a = d < 0 ? -d : d;
    std::memcpy(e + 2, digit_pairs + 2 * a, 2);
    return e + 4;
}

}  // namespace galtk
