#include "gas_column.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace galtk::galvel {

namespace {

// Trapezoidal running integral of y on nodes of spacing dz.
void running_integral(const std::vector<double>& y, double dz, std::vector<double>& out) {
    out.resize(y.size());
    out[0] = 0.0;
    for (std::size_t k = 1; k < y.size(); ++k) out[k] = out[k - 1] + 0.5 * dz * (y[k - 1] + y[k]);
}

// The mid-plane density giving half column `half_sigma` in the potential `dphi`, and the
// profile. Isothermal and self-normalised polytropes scale linearly with rho0.
double fill_profile(const std::vector<double>& dphi, double dz, double half_sigma, const GasEos& eos,
                    bool self_normalised, std::vector<double>& rho, std::vector<double>& work) {
    const std::size_t n = dphi.size();
    rho.resize(n);
    if (eos.isothermal() || self_normalised) {
        // Shape with rho0 = 1: P0 / rho0 = c^2 whatever rho0 is.
        GasEos shape_eos = eos;
        shape_eos.normalise(1.0);
        for (std::size_t k = 0; k < n; ++k) rho[k] = shape_eos.density(1.0, dphi[k]);
        running_integral(rho, dz, work);
        const double rho0 = work.back() > 0.0 ? half_sigma / work.back() : 0.0;
        for (double& r : rho) r *= rho0;
        return rho0;
    }
    // A polytrope of fixed K: the column grows monotonically with rho0; bisect in ln rho0.
    auto column = [&](double rho0) {
        for (std::size_t k = 0; k < n; ++k) rho[k] = eos.density(rho0, dphi[k]);
        running_integral(rho, dz, work);
        return work.back();
    };
    double lo = 1e-300, hi = 1e300;
    for (int step = 0; step < 200 && hi / lo > 1.0 + 1e-12; ++step) {
        const double mid = std::sqrt(lo * hi);
        (column(mid) < half_sigma ? lo : hi) = mid;
    }
    column(hi);
    return hi;
}

double half_mass_height(const std::vector<double>& cumulative, double dz) {
    const double half = 0.5 * cumulative.back();
    const auto it = std::lower_bound(cumulative.begin(), cumulative.end(), half);
    const std::size_t k = static_cast<std::size_t>(it - cumulative.begin());
    if (k == 0) return 0.0;
    const double span = cumulative[k] - cumulative[k - 1];
    return dz * (static_cast<double>(k - 1) + (span > 0.0 ? (half - cumulative[k - 1]) / span : 0.0));
}

}  // namespace

double GasColumn::density_at(double z) const {
    const double f = std::fabs(z) / dz;
    if (!(f < static_cast<double>(rho.size() - 1))) return 0.0;
    const std::size_t k = static_cast<std::size_t>(f);
    const double w = f - static_cast<double>(k);
    return rho[k] + w * (rho[k + 1] - rho[k]);
}

double GasColumn::height_of(double fraction) const {
    const auto it = std::lower_bound(cumulative.begin(), cumulative.end(), fraction);
    if (it == cumulative.begin()) return 0.0;
    if (it == cumulative.end()) return top();
    const std::size_t k = static_cast<std::size_t>(it - cumulative.begin());
    const double span = cumulative[k] - cumulative[k - 1];
    return dz * (static_cast<double>(k - 1) + (span > 0.0 ? (fraction - cumulative[k - 1]) / span : 0.0));
}

GasColumn solve_column(const std::vector<double>& dphi_ext, double dz, double sigma, const GasEos& eos, double G,
                       bool self_normalised) {
    const std::size_t n = dphi_ext.size();
    GasColumn c;
    c.dz = dz;
    std::vector<double> self(n, 0.0), total(n), work, mass, fresh;
    double previous = -1.0;
    for (c.iterations = 1; c.iterations <= column_max_iterations; ++c.iterations) {
        for (std::size_t k = 0; k < n; ++k) total[k] = dphi_ext[k] + self[k];
        fill_profile(total, dz, 0.5 * sigma, eos, self_normalised, c.rho, work);
        running_integral(c.rho, dz, mass);
        const double height = half_mass_height(mass, dz);
        if (previous >= 0.0 && std::fabs(height - previous) <= column_tolerance * height) {
            c.converged = true;
            break;
        }
        previous = height;
        running_integral(mass, dz, fresh);
        for (std::size_t k = 0; k < n; ++k) self[k] = 0.5 * (self[k] + 4.0 * std::numbers::pi * G * fresh[k]);
    }
    c.iterations = std::min(c.iterations, column_max_iterations);
    running_integral(c.rho, dz, c.cumulative);
    const double total_mass = c.cumulative.back();
    if (total_mass > 0.0)
        for (double& m : c.cumulative) m /= total_mass;
    c.half_height = half_mass_height(c.cumulative, dz);
    return c;
}

}  // namespace galtk::galvel
