#include "ran1.hpp"

namespace galtk {

namespace {

constexpr std::int32_t ia = 16807;        // multiplier, 7^5
constexpr std::int32_t im = 2147483647;   // modulus, 2^31 - 1
constexpr std::int32_t iq = 127773;       // im / ia
constexpr std::int32_t ir = 2836;         // im - iq * ia
constexpr int ntab = 32;
constexpr int warm_up = 8;
constexpr std::int32_t ndiv = 67108864;   // 1 + (im - 1) / ntab = 2^26
constexpr float scale = 4.656612873077392578125e-10f;  // 2^-31, bits 0x30000000
constexpr float upper = 0.99999988079071044921875f;     // 1 - 2^-23, bits 0x3F7FFFFE

// The shuffle table is program-wide: every caller shares it, whatever seed it owns.
std::int32_t iv[ntab] = {};
std::int32_t iy = 0;

// seed = 16807 * seed mod (2^31 - 1) by Schrage's factorisation: for seed in
// 1 .. 2^31 - 2 no product leaves 32 bits.
inline void step(std::int32_t& seed) {
    const std::int32_t k = seed / iq;
    seed = ia * (seed - k * iq) - ir * k;
    if (seed < 0) seed += im;
}

}  // namespace

float ran1(std::int32_t& seed) {
    if (seed <= 0 || iy == 0) {
        // -seed when that is positive; zero, a positive seed on the first call and
        // -2^31 (whose negation does not fit) all start from 1. So does -(2^31 - 1): a
        // start value equal to the modulus is 0 modulo it, a fixed point of the
        // congruence that would return 0.0 for ever.
        seed = (seed < 0 && seed > -im) ? -seed : 1;
        for (int j = ntab + warm_up; j >= 1; --j) {
            step(seed);
            if (j <= ntab) iv[j - 1] = seed;
        }
        iy = iv[0];
    }
    step(seed);
    const int j = static_cast<int>(iy / ndiv);  // top five bits of the 31-bit value
    iy = iv[j];
    iv[j] = seed;
    const float r = static_cast<float>(iy) * scale;
    return r > upper ? upper : r;
}

void ran1_reset() {
    for (auto& v : iv) v = 0;
    iy = 0;
}

}  // namespace galtk
