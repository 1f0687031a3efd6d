#include "vertical_jeans.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace galtk::galvel {

namespace {

constexpr int order = 16;
constexpr double x_max = 8.0;
constexpr double nu_height = 0.005;   // in z0

struct Quadrature {
    std::array<double, order> x, w;
};

// Gauss-Legendre nodes and weights on [0, x_max], by Newton's iteration on P_n.
Quadrature gauss_legendre() {
    Quadrature q;
    for (int i = 0; i < order; ++i) {
        double t = std::cos(std::numbers::pi * (i + 0.75) / (order + 0.5));
        double dp = 1.0;
        for (int step = 0; step < 100; ++step) {
            double p0 = 1.0, p1 = t;
            for (int k = 2; k <= order; ++k) {
                const double p2 = ((2 * k - 1) * t * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            dp = order * (t * p1 - p0) / (t * t - 1.0);
            const double next = t - p1 / dp;
            const bool done = std::fabs(next - t) < 1e-15;
            t = next;
            if (done) break;
        }
        q.x[i] = 0.5 * x_max * (1.0 - t);
        q.w[i] = x_max / ((1.0 - t * t) * dp * dp);
    }
    return q;
}

double sech2(double x) {
    const double c = std::cosh(x);
    return 1.0 / (c * c);
}

}  // namespace

VerticalBalance vertical_balance(const ModelField& field, const std::vector<double>& radii, double z0, int threads) {
    const Quadrature q = gauss_legendre();
    constexpr int per_radius = order + 1;
    std::vector<FieldPoint> points;
    points.reserve(radii.size() * per_radius);
    for (double R : radii) {
        for (int k = 0; k < order; ++k) points.push_back({R, z0 * q.x[k]});
        points.push_back({R, z0 * nu_height});
    }
    const std::vector<FieldValue> values = field.evaluate(points, threads);
    VerticalBalance b;
    b.pull_radii = radii;
    b.pull_heights.push_back(z0 * nu_height);   // below the lowest Gauss node
    for (int k = 0; k < order; ++k) b.pull_heights.push_back(z0 * q.x[k]);
    b.pull_a_z.reserve(radii.size() * per_radius);
    for (std::size_t i = 0; i < radii.size(); ++i) {
        b.pull_a_z.push_back(values[i * per_radius + order].a_z);
        for (int k = 0; k < order; ++k) b.pull_a_z.push_back(values[i * per_radius + k].a_z);
    }
    const std::size_t n = radii.size();
    b.nu.resize(n);
    b.sigma_z_midplane.resize(n);
    b.sigma_z_column.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const FieldValue* v = &values[i * per_radius];
        double mid = 0.0, column = 0.0;
        for (int k = 0; k < order; ++k) {
            const double g = -v[k].a_z;
            const double weight = q.w[k] * sech2(q.x[k]);
            mid += weight * g;
            column += weight * q.x[k] * g;
        }
        b.sigma_z_midplane[i] = std::sqrt(std::max(z0 * mid, 0.0));
        b.sigma_z_column[i] = std::sqrt(std::max(z0 * column, 0.0));
        b.nu[i] = std::sqrt(std::max(-v[order].a_z / (z0 * nu_height), 0.0));
    }
    return b;
}

VerticalBalance vertical_balance_on(const ModelField& field, const LogGrid& grid, const std::vector<double>& sheet,
                                    double z0, int threads) {
    const int n = grid.size();
    const int coarse_n = std::max(2, (n + 3) / 4);
    const LogGrid coarse(grid[0], grid[n - 1], coarse_n);
    const VerticalBalance c = vertical_balance(field, coarse.radii(), z0, threads);
    // The sheet rule at the coarse radii, interpolated from the fine grid.
    std::vector<double> ratio_mid(coarse_n), ratio_column(coarse_n), ratio_nu(coarse_n);
    for (int i = 0; i < coarse_n; ++i) {
        const double s = grid.interpolate(sheet, coarse[i]);
        ratio_mid[i] = s > 0.0 ? c.sigma_z_midplane[i] / s : 0.0;
        ratio_column[i] = s > 0.0 ? c.sigma_z_column[i] / s : 0.0;
        ratio_nu[i] = s > 0.0 ? c.nu[i] / s : 0.0;
    }
    VerticalBalance b;
    b.pull_radii = c.pull_radii;
    b.pull_heights = c.pull_heights;
    b.pull_a_z = c.pull_a_z;
    b.nu.resize(n);
    b.sigma_z_midplane.resize(n);
    b.sigma_z_column.resize(n);
    for (int i = 0; i < n; ++i) {
        b.sigma_z_midplane[i] = sheet[i] * coarse.interpolate(ratio_mid, grid[i]);
        b.sigma_z_column[i] = sheet[i] * coarse.interpolate(ratio_column, grid[i]);
        b.nu[i] = sheet[i] * coarse.interpolate(ratio_nu, grid[i]);
    }
    return b;
}

}  // namespace galtk::galvel
