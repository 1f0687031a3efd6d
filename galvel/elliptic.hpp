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

}  // namespace galtk::galvel
