// The reader rounds a decimal exactly halfway between two adjacent floats to the even
// one. Such decimals of at most 19 digits take the reader's quick way, whose double
// product lies within a few units of the halfway point; its near-tie guard must send
// them the exact way. Every midpoint of two binades whose decimals reach the quick way
// with a fractional part (2^13: 15 digits, 2^19: 13 digits), and a sample of every binade
// from 2^-20 to 2^63; all of those binades in full carry the label "long".
#include "float_midpoints.hpp"

namespace galtk::test {
namespace {

using ReaderMidpoints = MidpointTest;

TEST_F(ReaderMidpoints, EveryMidpointOfTwoBinadesRoundsToEven) {
    for (int k : {13, 19}) EXPECT_EQ(misreads(k, 1), 0) << "binade 2^" << k;
}

TEST_F(ReaderMidpoints, SampledMidpointsOfEveryBinadeFrom2ToTheMinus20To2ToThe63RoundToEven) {
    for (int k = -20; k <= 63; ++k) EXPECT_EQ(misreads(k, 997, static_cast<std::uint32_t>(k + 20)), 0) << "binade 2^" << k;
}

}  // namespace
}  // namespace galtk::test
