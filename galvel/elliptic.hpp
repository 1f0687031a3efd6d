// Complete elliptic integrals of the first and second kind, K(m) and E(m) with the
// parameter m = k^2, by the arithmetic-geometric mean (quadratic convergence: about five
// steps in double precision for m below 0.99).
#pragma once

#include <cmath>
#include <numbers>

namespace galtk::galvel {

struct EllipticKE {
    double K;
    double E;
};

// `one_minus_m` is 1 - m computed by the caller without cancellation (it is small where
// K diverges). K = pi / (2 agm(1, sqrt(1 - m))), E = K (1 - sum_n 2^(n-1) c_n^2), c_0^2 = m.
inline EllipticKE elliptic_ke(double m, double one_minus_m) {
    double a = 1.0;
    double b = std::sqrt(one_minus_m);
    double weight = 0.5;
    double sum = 0.5 * m;
    for (int step = 0; step < 40; ++step) {
        const double c = 0.5 * (a - b);
        if (c <= 1e-15 * a) break;
        const double next = 0.5 * (a + b);
        b = std::sqrt(a * b);
        a = next;
        weight *= 2.0;
        sum += weight * c * c;
    }
    const double K = std::numbers::pi / (2.0 * a);
    return {K, K * (1.0 - sum)};
}

// The same by Hastings' polynomial approximations (Abramowitz & Stegun 17.3.34 and
// 17.3.36, absolute error at most 2e-8 in E and in K's polynomial parts): one logarithm
// instead of the mean's square roots, for the many ring sums of the field off the plane.
inline EllipticKE elliptic_ke_polynomial(double one_minus_m) {
    const double m1 = one_minus_m;
    const double l = -std::log(m1);
    const double K = (1.38629436112 + m1 * (0.09666344259 + m1 * (0.03590092383 + m1 * (0.03742563713 + m1 * 0.01451196212)))) +
                     (0.5 + m1 * (0.12498593597 + m1 * (0.06880248576 + m1 * (0.03328355346 + m1 * 0.00441787012)))) * l;
    const double E = (1.0 + m1 * (0.44325141463 + m1 * (0.06260601220 + m1 * (0.04757383546 + m1 * 0.01736506451)))) +
                     m1 * (0.24998368310 + m1 * (0.09200180037 + m1 * (0.04069697526 + m1 * 0.00526449639))) * l;
    return {K, E};
}

}  // namespace galtk::galvel
