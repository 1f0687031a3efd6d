#include "shell_density.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>


namespace galtk::galvel {

namespace {

constexpr double fit_half_width = 1.0;
constexpr double fit_min_weight = 400.0;
constexpr double shells_per_decade = 24.0;
constexpr double taper_lengths = 60.0;
constexpr double decay_fraction = 0.1;

struct QuadraticFit {
    double value = 0.0, slope = 0.0, curvature = 0.0;
};

// y = c0 + c1 d + c2 d^2 (d = x - x0) fitted by weighted least squares with the tricube
// kernel of half width w, the window doubled until it holds `min_weight` of weight in
// at least five samples (or all samples); value c0, slope c1, curvature 2 c2. Falls back
// to a lower degree when the samples cannot determine the quadratic.
QuadraticFit local_quadratic_fit(const std::vector<double>& x, const std::vector<double>& y,
                                 const std::vector<double>& weight, double x0, double w, double min_weight) {
    double total = 0.0, span = 0.0;
    int samples = 0;
    for (std::size_t k = 0; k < x.size(); ++k)
        if (weight[k] > 0.0) {
            total += weight[k];
            ++samples;
            span = std::max(span, std::fabs(x[k] - x0));
        }
    if (samples == 0) return {};
    const double need = std::min(min_weight, total);
    for (;; w *= 2.0) {
        const bool all = w > span;
        const double reach = all ? span * 1.000001 + 1e-300 : w;
        double m[5] = {}, t[3] = {}, held = 0.0;   // sums of kw d^p, of kw d^p y
        int count = 0;
        for (std::size_t k = 0; k < x.size(); ++k) {
            if (!(weight[k] > 0.0)) continue;
            const double d = x[k] - x0, q = std::fabs(d) / reach;
            if (q >= 1.0 && !all) continue;
            const double c = q >= 1.0 ? 0.0 : 1.0 - q * q * q;
            const double kw = weight[k] * (all ? std::max(c * c * c, 1e-3) : c * c * c);
            double p = kw;
            for (int e = 0; e < 5; ++e, p *= d) m[e] += p;
            t[0] += kw * y[k];
            t[1] += kw * d * y[k];
            t[2] += kw * d * d * y[k];
            held += weight[k];
            ++count;
        }
        if (!all && (count < 5 || held < need)) continue;
        // Cramer's rule on the normal equations [m0 m1 m2; m1 m2 m3; m2 m3 m4] c = t.
        const double det = m[0] * (m[2] * m[4] - m[3] * m[3]) - m[1] * (m[1] * m[4] - m[3] * m[2]) +
                           m[2] * (m[1] * m[3] - m[2] * m[2]);
        if (count >= 3 && std::fabs(det) > 1e-12 * m[0] * m[2] * m[4]) {
            const double c0 = (t[0] * (m[2] * m[4] - m[3] * m[3]) - m[1] * (t[1] * m[4] - m[3] * t[2]) +
                               m[2] * (t[1] * m[3] - m[2] * t[2])) / det;
            const double c1 = (m[0] * (t[1] * m[4] - t[2] * m[3]) - t[0] * (m[1] * m[4] - m[3] * m[2]) +
                               m[2] * (m[1] * t[2] - t[1] * m[2])) / det;
            const double c2 = (m[0] * (m[2] * t[2] - m[3] * t[1]) - m[1] * (m[1] * t[2] - t[1] * m[2]) +
                               t[0] * (m[1] * m[3] - m[2] * m[2])) / det;
            return {c0, c1, 2.0 * c2};
        }
        const double det2 = m[0] * m[2] - m[1] * m[1];
        if (count >= 2 && det2 > 1e-12 * m[0] * m[2]) return {(m[2] * t[0] - m[1] * t[1]) / det2, (m[0] * t[1] - m[1] * t[0]) / det2, 0.0};
        return {t[0] / m[0], 0.0, 0.0};
    }
}

}  // namespace

void shell_log_density(const LogGrid& grid, const std::vector<float>& radii, const std::vector<float>& masses,
                       std::vector<double>& ln_r, std::vector<double>& ln_rho, std::vector<double>& count) {
    const int n = grid.size();
    // Shells around each grid radius (edges at the geometric midpoints).
    const double half = std::sqrt(grid.ratio());
    std::vector<double> mass(n, 0.0);
    count.assign(n, 0.0);
    for (std::size_t j = 0; j < radii.size(); ++j) {
        int i;
        double w;
        grid.locate(radii[j], i, w);
        const int k = w < 0.5 ? i : i + 1;
        mass[k] += masses[j];
        count[k] += 1.0;
    }
    ln_r.assign(n, 0.0);
    ln_rho.assign(n, 0.0);
    for (int i = 0; i < n; ++i) {
        ln_r[i] = std::log(grid[i]);
        const double outer = grid[i] * half;
        const double inner = i == 0 ? 0.0 : grid[i] / half;
        const double volume = 4.0 / 3.0 * std::numbers::pi * (outer * outer * outer - inner * inner * inner);
        if (mass[i] > 0.0) ln_rho[i] = std::log(mass[i] / volume);
    }
}

SmoothDensity::SmoothDensity(const std::vector<float>& radii, const std::vector<float>& masses, bool taper)
    : taper_(taper) {
    double r_max = 0.0, r_min = HUGE_VAL, total = 0.0;
    for (std::size_t j = 0; j < radii.size(); ++j) {
        r_max = std::max(r_max, double(radii[j]));
        if (radii[j] > 0.0f) r_min = std::min(r_min, double(radii[j]));
        total += masses[j];
    }
    if (!(r_max > 0.0) || !(total > 0.0)) return;
    r_min = std::min(std::max(r_min, r_max * 1e-7), r_max * 0.5);
    const int points = std::clamp(static_cast<int>(shells_per_decade * std::log10(r_max / r_min)) + 1, 32, 256);
    grid_ = LogGrid(r_min, r_max, points);
    std::vector<double> ln_r, ln_rho, count;
    shell_log_density(grid_, radii, masses, ln_r, ln_rho, count);
    value_.resize(points);
    slope_.resize(points);
    curvature_.resize(points);
    for (int i = 0; i < points; ++i) {
        const auto fit = local_quadratic_fit(ln_r, ln_rho, count, ln_r[i], fit_half_width, fit_min_weight);
        value_[i] = fit.value;
        slope_[i] = fit.slope;
        curvature_[i] = fit.curvature;
    }
    decay_ = decay_fraction * r_max;
    exponent_ = slope_.back() + r_max / decay_;
}

double SmoothDensity::end() const {
    if (empty()) return 0.0;
    return taper_ ? outer() + taper_lengths * decay_ : outer();
}

LocalDensity SmoothDensity::at(double r) const {
    if (empty() || !(r > 0.0) || r >= end()) return {};
    if (r < inner()) {
        return {std::exp(value_[0] + slope_[0] * std::log(r / inner())), slope_[0], 0.0};
    }
    if (r <= outer()) return {std::exp(grid_.interpolate(value_, r)), grid_.interpolate(slope_, r),
                              grid_.interpolate(curvature_, r)};
    const double re = outer();
    return {std::exp(value_.back() + exponent_ * std::log(r / re) - (r - re) / decay_), exponent_ - r / decay_,
            -r / decay_};
}

}  // namespace galtk::galvel
