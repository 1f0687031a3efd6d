#include "halo_particles.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace galtk::galvel {

namespace {

// x = r / rs with f(x) = target, for 0 < target < f(c): a table of f on a geometric grid
// gives the bracket, Newton's method (f'(x) = x / (1 + x)^2) the last digits.
class NfwInverse {
public:
    explicit NfwInverse(double c) : c_(c) {
        x_.resize(points);
        f_.resize(points);
        for (int i = 0; i < points; ++i) {
            x_[i] = c * std::pow(1e-7, 1.0 - double(i) / (points - 1));
            f_[i] = nfw_f(x_[i]);
        }
    }
    double operator()(double target) const {
        const auto it = std::lower_bound(f_.begin(), f_.end(), target);
        const std::size_t i = static_cast<std::size_t>(it - f_.begin());
        double x;
        if (i == 0) {
            x = std::sqrt(2.0 * target);   // f(x) = x^2 / 2 for small x
        } else if (i >= f_.size()) {
            x = c_;
        } else {
            const double t = (target - f_[i - 1]) / (f_[i] - f_[i - 1]);
            x = x_[i - 1] + t * (x_[i] - x_[i - 1]);
        }
        for (int step = 0; step < 3; ++step) {
            const double slope = x / ((1.0 + x) * (1.0 + x));
            x -= (nfw_f(x) - target) / slope;
            x = std::clamp(x, 0.0, c_);
        }
        return x;
    }

private:
    static constexpr int points = 2048;
    double c_;
    std::vector<double> x_, f_;
};

}  // namespace

void append_halo_particles(ParticleSet& set, const AnalyticHalo& halo, std::size_t count, Deviates& random) {
    const std::size_t first = set.size();
    set.resize(first + count);
    if (!set.id.empty()) {
        // New IDs follow the largest one of the model.
        const std::uint64_t top = first > 0 ? *std::max_element(set.id.begin(), set.id.begin() + first) : 0;
        set.id.resize(first + count);
        for (std::size_t j = first; j < first + count; ++j) set.id[j] = top + (j - first + 1);
    }
    const auto& params = halo.parameters();
    const float mass = static_cast<float>(halo.total_mass() / double(count));
    const NfwInverse inverse(params.kind == HaloKind::nfw ? params.c : 1.0);
    const double fc = nfw_f(params.c);
    const double total = halo.total_mass(), inner = halo.edge_mass();
    for (std::size_t j = first; j < first + count; ++j) {
        const double u = random.uniform();
        // The mass inside the particle's radius; without a taper u itself.
        const double m = halo.tapered() ? u * total : u * params.mass;
        double r;
        if (m > inner) {
            r = halo.taper_radius(m - inner);
        } else if (params.kind == HaloKind::hernquist) {
            const double s = std::sqrt(m / params.mass);
            r = params.a * s / (1.0 - s);
        } else {
            r = halo.scale() * inverse(m / params.mass * fc);
        }
        const double cos_theta = 2.0 * random.uniform() - 1.0;
        const double sin_theta = std::sqrt(std::max(0.0, 1.0 - cos_theta * cos_theta));
        const double phi = 2.0 * std::numbers::pi * random.uniform();
        set.pos[j] = {static_cast<float>(r * sin_theta * std::cos(phi)),
                      static_cast<float>(r * sin_theta * std::sin(phi)), static_cast<float>(r * cos_theta)};
        set.vel[j] = {};
        set.mass[j] = mass;
        set.type[j] = 1;
    }
}

}  // namespace galtk::galvel
