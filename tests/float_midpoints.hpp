// Decimals that lie exactly halfway between two adjacent floats, for the reader's
// round-half-to-even tests: each must read as the neighbour whose significand is even.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frame_fixture.hpp"
#include "list_reader.hpp"

namespace galtk::test {

// The exact decimal of the midpoint between the float (m << 0) * 2^(k - 23), m a 24-bit
// significand of binade 2^k, and its successor: (2m + 1) * 2^(k - 24). Exact for
// k = -20 .. 63 (the digits fit 128 bits); appended to `out` with its line end.
inline void append_midpoint(std::string& out, std::uint32_t m, int k) {
    __extension__ using u128 = unsigned __int128;
    const std::uint64_t odd = 2 * std::uint64_t{m} + 1;
    const int shift = k - 24;
    u128 digits = 0;
    int point = 0;  // decimal digits after the point
    if (shift >= 0) {
        digits = u128{odd} << shift;
    } else {
        // odd * 2^-f = odd * 5^f / 10^f
        point = -shift;
        digits = odd;
        for (int i = 0; i < point; ++i) digits *= 5;
    }
    char text[64];
    int n = 0;
    while (digits > ~std::uint64_t{0}) {
        text[n++] = static_cast<char>('0' + static_cast<int>(digits % 10));
        digits /= 10;
    }
    auto low = static_cast<std::uint64_t>(digits);  // the rest in 64-bit arithmetic
    do {
        text[n++] = static_cast<char>('0' + static_cast<int>(low % 10));
        low /= 10;
    } while (low != 0);
    while (n <= point) text[n++] = '0';  // at least one digit before the point
    for (int i = n - 1; i >= 0; --i) {
        out += text[i];
        if (i == point && point > 0) out += '.';
    }
    out += '\n';
}

// The float a midpoint must read as: of m and m + 1 (times 2^(k - 23)) the even one.
inline float midpoint_even_neighbour(std::uint32_t m, int k) {
    const std::uint32_t even = (m & 1u) ? m + 1 : m;
    // even may be 2^24, the first significand of the next binade: ldexp is exact either way.
    return std::ldexp(static_cast<float>(even), k - 23);
}

// Reads the midpoints of binade 2^k for significands m = 2^23 + first, + stride, ...
// below 2^24, a million at a time through a unit of the frame, and counts those that do
// not read as their even neighbour (reporting the first few).
class MidpointTest : public FrameTest {
protected:
    std::int64_t misreads(int k, std::uint32_t stride, std::uint32_t first = 0) {
        constexpr std::size_t chunk = std::size_t{1} << 20;
        std::int64_t wrong = 0;
        std::vector<std::uint32_t> ms;
        std::vector<float> values;
        std::string text;
        for (std::uint64_t m = (1u << 23) + first; m < (1u << 24) || !ms.empty();) {
            if (m < (1u << 24) && ms.size() < chunk) {
                ms.push_back(static_cast<std::uint32_t>(m));
                append_midpoint(text, static_cast<std::uint32_t>(m), k);
                m += stride;
                continue;
            }
            // A fresh file name each time: binding a unit again to the name it holds
            // would keep its position.
            Unit& u = input(1, "midpoints" + std::to_string(files_++ % 2), text);
            values.assign(ms.size(), -1.0f);
            read_list(u, {"midpoint"}, reals(values));
            for (std::size_t i = 0; i < ms.size(); ++i) {
                const float expected = midpoint_even_neighbour(ms[i], k);
                if (bits(values[i]) != bits(expected) && ++wrong <= 5) {
                    ADD_FAILURE() << "binade 2^" << k << ", significand " << ms[i] << ": read "
                                  << real_text(values[i]) << ", round half to even gives " << real_text(expected);
                }
            }
            ms.clear();
            text.clear();
        }
        return wrong;
    }

private:
    int files_ = 0;
};

}  // namespace galtk::test
