#include "spherical_mass.hpp"

#include <cmath>

namespace galtk::galvel {

SphericalMass::SphericalMass(double r_max)
    : shell_mass_(shells, 0.0), shell_over_r_(shells, 0.0) {
    const double top = r_max > 0.0 ? r_max * (1.0 + 1e-9) : 1.0;
    r_min_ = top * 1e-6;
    log_min_ = std::log(r_min_);
    inv_dlog_ = (shells - 1) / (std::log(top) - log_min_);
}

// Shell 0 runs from the centre to r_min; shells 1.. are geometric up to r_max.
double SphericalMass::edge(int k) const {
    return k == 0 ? 0.0 : std::exp(log_min_ + (k - 1) / inv_dlog_);
}

int SphericalMass::shell_of(double r) const {
    if (!(r > r_min_)) return 0;
    const double f = (std::log(r) - log_min_) * inv_dlog_;
    return f >= shells - 1 ? shells - 1 : 1 + static_cast<int>(f);
}

void SphericalMass::add(double r, double mass) {
    const int k = shell_of(r);
    shell_mass_[k] += mass;
    // A particle at the very centre adds a constant only; keep the sum finite.
    shell_over_r_[k] += mass / std::max(r, r_min_ * 0.5);
}

void SphericalMass::finish() {
    inside_.assign(shells + 1, 0.0);
    outside_.assign(shells + 1, 0.0);
    for (int k = 0; k < shells; ++k) inside_[k + 1] = inside_[k] + shell_mass_[k];
    for (int k = shells - 1; k >= 0; --k) outside_[k] = outside_[k + 1] + shell_over_r_[k];
}

double SphericalMass::mass(double r) const {
    if (!(r > 0.0)) return 0.0;
    const int k = shell_of(r);
    if (k == shells - 1 && r >= edge(shells - 1) * std::exp(1.0 / inv_dlog_)) return inside_[shells];
    const double lo = edge(k);
    const double hi = k == 0 ? r_min_ : edge(k + 1);
    const double t = std::min(1.0, (r - lo) / (hi - lo));
    return inside_[k] + t * shell_mass_[k];
}

double SphericalMass::potential(double r) const {
    const double m = mass(r);
    const int k = shell_of(r);
    const double lo = edge(k);
    const double hi = k == 0 ? r_min_ : edge(k + 1);
    const double t = std::min(1.0, std::max(0.0, (r - lo) / (hi - lo)));
    const double beyond = outside_[k + 1] + (1.0 - t) * shell_over_r_[k];
    return -(m / std::max(r, r_min_ * 0.5) + beyond);
}

}  // namespace galtk::galvel
