// Long check (CTest label "long"): every decimal exactly halfway between two adjacent
// floats of the binades 2^-20 to 2^63 (about 700 million, every form of the reader's
// quick and exact ways) reads as the even neighbour.
#include "float_midpoints.hpp"

namespace galtk::test {
namespace {

using ReaderMidpointsLong = MidpointTest;

TEST_F(ReaderMidpointsLong, EveryMidpointFrom2ToTheMinus20To2ToThe63RoundsToEven) {
    for (int k = -20; k <= 63; ++k) EXPECT_EQ(misreads(k, 1), 0) << "binade 2^" << k;
}

}  // namespace
}  // namespace galtk::test
