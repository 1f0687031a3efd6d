#include "local_fit.hpp"

#include <algorithm>
#include <cmath>

namespace galtk::galvel {

LocalFit local_linear_fit(const std::vector<double>& x, const std::vector<double>& y,
                          const std::vector<double>& weight, double x0, double half_width,
                          double min_weight) {
    double total = 0.0;
    int samples = 0;
    double span = 0.0;
    for (std::size_t k = 0; k < x.size(); ++k)
        if (weight[k] > 0.0) {
            total += weight[k];
            ++samples;
            span = std::max(span, std::fabs(x[k] - x0));
        }
    if (samples == 0) return {0.0, 0.0};
    const double need = std::min(min_weight, total);
    const int need_samples = std::min(samples, 3);
    double w = half_width > 0.0 ? half_width : span;
    for (;;) {
        // Widening stops at a window that holds every sample.
        const bool all = w > span;
        const double reach = all ? span * 1.000001 + 1e-300 : w;
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, t0 = 0.0, t1 = 0.0, held = 0.0;
        int count = 0;
        for (std::size_t k = 0; k < x.size(); ++k) {
            if (!(weight[k] > 0.0)) continue;
            const double d = x[k] - x0;
            const double q = std::fabs(d) / reach;
            if (q >= 1.0 && !all) continue;
            const double c = all && q >= 1.0 ? 0.0 : 1.0 - q * q * q;
            // With every sample in play the kernel must not drop the farthest ones.
            const double kw = weight[k] * (all ? std::max(c * c * c, 1e-3) : c * c * c);
            s0 += kw;
            s1 += kw * d;
            s2 += kw * d * d;
            t0 += kw * y[k];
            t1 += kw * d * y[k];
            held += weight[k];
            ++count;
        }
        if (all || (count >= need_samples && held >= need)) {
            const double det = s0 * s2 - s1 * s1;
            if (count < 2 || !(det > 1e-12 * s0 * s2)) return {t0 / s0, 0.0};
            return {(s2 * t0 - s1 * t1) / det, (s0 * t1 - s1 * t0) / det};
        }
        w *= 2.0;
    }
}

}  // namespace galtk::galvel
