// Normal deviates from the toolkit's uniform generator ran1, by the Box-Muller
// transformation: two uniforms u1, u2 in (0, 1) give the independent pair
//   g1 = sqrt(-2 ln u1) cos(2 pi u2),  g2 = sqrt(-2 ln u1) sin(2 pi u2)
// (computed in double; g1 is returned first, g2 on the next call). ran1 never returns 0,
// so the logarithm is finite; its resolution cuts the tails at about 6.5 standard
// deviations.
#pragma once

#include <cstdint>

namespace galtk::galvel {

class Deviates {
public:
    // The stream of ran1 started from `seed` (1 .. 2^31 - 2).
    explicit Deviates(std::int32_t seed);

    double uniform();
    double normal();

private:
    std::int32_t state_;
    bool have_spare_ = false;
    double spare_ = 0.0;
};

}  // namespace galtk::galvel
