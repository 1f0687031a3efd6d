#include "eddington.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "log_grid.hpp"

namespace galtk::galvel {

EddingtonInputs tabulate_component(double r_lo, double r_hi, int points,
                                   const std::function<LocalDensity(double)>& component,
                                   const std::function<double(double)>& rho_total,
                                   const std::function<double(double)>& G_mass,
                                   const std::function<double(double)>& potential, double G) {
    const LogGrid grid(r_lo, r_hi, points);
    EddingtonInputs in;
    in.r = grid.radii();
    for (auto* v : {&in.psi, &in.rho, &in.slope, &in.curvature, &in.G_mass, &in.mu}) v->resize(points);
    for (int k = 0; k < points; ++k) {
        const double r = in.r[k];
        const LocalDensity d = component(r);
        in.rho[k] = d.rho;
        in.slope[k] = d.slope;
        in.curvature[k] = d.curvature;
        in.psi[k] = -potential(r);
        in.G_mass[k] = G_mass(r);
        in.mu[k] = in.G_mass[k] > 0.0 ? 4.0 * std::numbers::pi * r * r * r * G * rho_total(r) / in.G_mass[k] : 0.0;
    }
    return in;
}

DistributionFunction::DistributionFunction(const EddingtonInputs& in) {
    const std::size_t n = in.r.size();
    psi_ = in.psi;
    // A flat stretch (no mass inside) keeps Psi constant; the steps of zero width add nothing.
    for (std::size_t k = 1; k < n; ++k) psi_[k] = std::min(psi_[k], psi_[k - 1]);
    std::vector<double> d1(n, 0.0), d2(n, 0.0);   // d rho / d Psi, d^2 rho / d Psi^2
    for (std::size_t k = 0; k < n; ++k) {
        const double GM = in.G_mass[k];
        if (!(GM > 0.0) || !(in.rho[k] > 0.0)) continue;
        const double s = in.slope[k], r = in.r[k];
        d1[k] = -in.rho[k] * s * r / GM;
        d2[k] = in.rho[k] * r * r * (s * s + in.curvature[k] + s * (1.0 - in.mu[k])) / (GM * GM);
    }
    const double norm = 1.0 / (std::sqrt(8.0) * std::numbers::pi * std::numbers::pi);
    f_.assign(n, 0.0);
    const double bottom = psi_[n - 1];
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const double E = psi_[k];
        if (!(E > bottom)) continue;
        double sum = d1[n - 1] / std::sqrt(E - bottom);
        // Step j from psi_j down to psi_{j+1}: with u = E - Psi, s2 = sqrt(u at psi_j),
        // s1 = sqrt(u at psi_{j+1}) and d2 linear in u,
        //   int d2 du / sqrt(u) = 2 (s1 - s2) [d2_j + (d2_{j+1} - d2_j) (s1 + 2 s2) / (3 (s1 + s2))].
        for (std::size_t j = k; j + 1 < n; ++j) {
            const double s2 = std::sqrt(E - psi_[j]), s1 = std::sqrt(E - psi_[j + 1]);
            if (!(s1 + s2 > 0.0)) continue;
            const double width = (psi_[j] - psi_[j + 1]) / (s1 + s2);
            sum += 2.0 * width * (d2[j] + (d2[j + 1] - d2[j]) * (s1 + 2.0 * s2) / (3.0 * (s1 + s2)));
        }
        f_[k] = norm * sum;
    }
    for (std::size_t k = 0; k < n; ++k) {
        if (f_[k] < 0.0 || !std::isfinite(f_[k])) {
            negative_.lo = negative_.nodes == 0 ? psi_[k] : std::min(negative_.lo, psi_[k]);
            negative_.hi = negative_.nodes == 0 ? psi_[k] : std::max(negative_.hi, psi_[k]);
            ++negative_.nodes;
            f_[k] = 0.0;
        }
    }
    ln_f_.resize(n);
    for (std::size_t k = 0; k < n; ++k) ln_f_[k] = f_[k] > 0.0 ? std::log(f_[k]) : -HUGE_VAL;
    // The bound: f between psi_{j+1} and psi_j is at most the largest f at or below psi_j
    // (interpolation between two values stays between them), and v^2 = 2 (psi - E) is at
    // most 2 (psi_k - psi_{j+1}) there for psi <= psi_k.
    std::vector<double> top(n, 0.0);   // max of f_j over j >= k
    for (std::size_t k = n; k-- > 0;) top[k] = std::max(f_[k], k + 1 < n ? top[k + 1] : 0.0);
    top_ = top[0];
    bound_.assign(n, 0.0);
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t j = k; j + 1 < n; ++j) bound_[k] = std::max(bound_[k], top[j] * 2.0 * (psi_[k] - psi_[j + 1]));
}

std::size_t DistributionFunction::node_above(double E) const {
    // The first node below E, in the falling table.
    const auto it = std::upper_bound(psi_.begin(), psi_.end(), E, std::greater<double>());
    return static_cast<std::size_t>(it - psi_.begin()) - 1;
}

double DistributionFunction::operator()(double E) const {
    if (psi_.empty() || !(E > psi_.back())) return 0.0;
    if (E >= psi_.front()) return f_.front();
    const std::size_t k = node_above(E);
    const double width = psi_[k] - psi_[k + 1];
    const double t = width > 0.0 ? (psi_[k] - E) / width : 0.0;
    if (f_[k] > 0.0 && f_[k + 1] > 0.0) return std::exp(ln_f_[k] + t * (ln_f_[k + 1] - ln_f_[k]));
    return f_[k] + t * (f_[k + 1] - f_[k]);
}

double DistributionFunction::bound(double psi) const {
    if (psi_.empty() || !(psi > psi_.back())) return 0.0;
    if (psi >= psi_.front()) return top_ * 2.0 * psi;
    return bound_[node_above(psi)];
}

}  // namespace galtk::galvel
