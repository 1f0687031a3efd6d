// Long check (CTest label "long"): every one of the 2^32 float bit patterns written by
// the real formatter reads back to the same float (every NaN as a NaN), and a negative
// value's text is the positive one's with a leading minus.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>

#include "real_format.hpp"
#include "support.hpp"

namespace galtk::test {
namespace {

TEST(WriterRoundTripLong, EveryBitPatternReadsBackToTheSameFloat) {
    std::int64_t wrong = 0;
    char text[real_text_room];
    char negative[real_text_room];
    for (std::uint64_t b = 0; b < (std::uint64_t{1} << 31); ++b) {
        const float v = from_bits(static_cast<std::uint32_t>(b));
        const char* end = format_real(v, text);
        float back = 0.0f;
        const auto [p, ec] = std::from_chars(text, end, back);
        const bool same = ec == std::errc() && p == end && (std::isnan(v) ? std::isnan(back) : bits(back) == bits(v));
        // The sign bit set: the same text after a minus (NaN is written without a sign).
        const float w = from_bits(static_cast<std::uint32_t>(b) | 0x80000000u);
        const char* nend = format_real(w, negative);
        const bool mirrored = std::isnan(v) ? std::string_view(negative, static_cast<std::size_t>(nend - negative)) == "NaN"
                                            : nend - negative == end - text + 1 && negative[0] == '-' &&
                                                  std::memcmp(negative + 1, text, static_cast<std::size_t>(end - text)) == 0;
        if ((!same || !mirrored) && ++wrong <= 5) {
            ADD_FAILURE() << "bits " << std::hex << b << " written as " << std::string_view(text, static_cast<std::size_t>(end - text)) << " and "
                          << std::string_view(negative, static_cast<std::size_t>(nend - negative));
        }
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace galtk::test
