#include "halo.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>
#include <vector>

namespace galtk::galvel {

namespace {

std::vector<std::string_view> split(std::string_view text, char sep) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(sep);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

// A positive finite number that takes the whole field.
bool positive_number(std::string_view field, double& value) {
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value) && value > 0.0;
}

}  // namespace

double nfw_f(double x) { return std::log1p(x) - x / (1.0 + x); }

std::string parse_halo(std::string_view text, HaloParameters& params) {
    const auto parts = split(text, ':');
    HaloParameters s;
    std::vector<const char*> names;
    if (parts[0] == "hernquist") {
        s.kind = HaloKind::hernquist;
        names = {"M", "a"};
    } else if (parts[0] == "nfw") {
        s.kind = HaloKind::nfw;
        names = {"M200", "r200", "c"};
    } else {
        return "unknown halo kind \"" + std::string(parts[0]) + "\" (expected hernquist:M:a or nfw:M200:r200:c)";
    }
    if (parts.size() != names.size() + 1)
        return std::string(parts[0]) + " takes " + std::to_string(names.size()) + " numbers (" +
               (s.kind == HaloKind::hernquist ? "hernquist:M:a" : "nfw:M200:r200:c") + "), found " +
               std::to_string(parts.size() - 1);
    double values[3] = {};
    for (std::size_t k = 0; k < names.size(); ++k)
        if (!positive_number(parts[k + 1], values[k]))
            return std::string(names[k]) + " must be a positive finite number, found \"" +
                   std::string(parts[k + 1]) + "\"";
    s.mass = values[0];
    if (s.kind == HaloKind::hernquist) {
        s.a = values[1];
    } else {
        s.r200 = values[1];
        s.c = values[2];
    }
    params = s;
    return {};
}

HaloParameters with_taper(HaloParameters params, const TaperRequest& request) {
    if (params.kind == HaloKind::nfw) {
        params.edge = params.r200;
    } else if (params.kind == HaloKind::hernquist && (request.particles || request.outer > 0.0)) {
        params.edge = request.outer > 0.0 ? request.outer : default_outer_in_scale_radii * params.a;
    }
    if (params.edge > 0.0) params.decay = request.decay > 0.0 ? request.decay : default_decay_fraction * params.edge;
    return params;
}

namespace {

constexpr int taper_steps = 8192;
constexpr double taper_lengths = 60.0;   // the table's reach in decay lengths

}  // namespace

AnalyticHalo::AnalyticHalo(const HaloParameters& params, double G) : params_(params), G_(G) {
    if (params.kind == HaloKind::nfw) {
        rs_ = params.r200 / params.c;
        fc_ = nfw_f(params.c);
    } else {
        rs_ = params.a;
    }
    if (params_.kind == HaloKind::none) params_.edge = 0.0;
    if (tapered()) build_taper();
}

AnalyticHalo::AnalyticHalo(std::shared_ptr<const ParticleSphere> particles, double G)
    : G_(G), particles_(std::move(particles)) {
    if (particles_) rs_ = particles_->half_mass_radius();
}

void AnalyticHalo::build_taper() {
    const double edge = params_.edge, decay = params_.decay;
    rho_edge_ = inner_density(edge);
    mass_edge_ = inner_mass(edge);
    exponent_ = inner_slope(edge) + edge / decay;
    step_ = taper_lengths * decay / taper_steps;
    taper_mass_.assign(taper_steps + 1, 0.0);
    taper_depth_.assign(taper_steps + 1, 0.0);
    std::vector<double> shell(taper_steps + 1), ring(taper_steps + 1);
    for (int i = 0; i <= taper_steps; ++i) {
        const double r = edge + i * step_;
        const double rho = rho_edge_ * std::exp(exponent_ * std::log(r / edge) - (r - edge) / decay);
        shell[i] = 4.0 * std::numbers::pi * r * r * rho;
        ring[i] = shell[i] / r;
    }
    for (int i = 1; i <= taper_steps; ++i) taper_mass_[i] = taper_mass_[i - 1] + 0.5 * step_ * (shell[i - 1] + shell[i]);
    for (int i = taper_steps - 1; i >= 0; --i) taper_depth_[i] = taper_depth_[i + 1] + 0.5 * step_ * (ring[i] + ring[i + 1]);
    // A halo beyond double's range (a mass of 1e300 in a radius of 1e-300) has no finite
    // taper: it stays the plain profile, whose values the run then refuses as not finite.
    if (!std::isfinite(taper_mass_.back()) || !std::isfinite(taper_depth_.front()) || !std::isfinite(exponent_) ||
        !std::isfinite(mass_edge_) || !(step_ > 0.0)) {
        params_.edge = 0.0;
        params_.decay = 0.0;
    }
}

double AnalyticHalo::inner_mass(double r) const {
    switch (params_.kind) {
    case HaloKind::hernquist: return params_.mass * (r / (r + rs_)) * (r / (r + rs_));
    case HaloKind::nfw: return r >= params_.r200 ? params_.mass : params_.mass * nfw_f(r / rs_) / fc_;
    case HaloKind::none: break;
    }
    return 0.0;
}

double AnalyticHalo::inner_density(double r) const {
    switch (params_.kind) {
    case HaloKind::hernquist: {
        const double s = r + rs_;
        return params_.mass * rs_ / (2.0 * std::numbers::pi * r * s * s * s);
    }
    case HaloKind::nfw: {
        if (r > params_.r200) return 0.0;
        const double x = r / rs_;
        return params_.mass / (4.0 * std::numbers::pi * rs_ * rs_ * rs_ * fc_ * x * (1.0 + x) * (1.0 + x));
    }
    case HaloKind::none: break;
    }
    return 0.0;
}

double AnalyticHalo::inner_slope(double r) const {
    const double x = r / rs_;
    switch (params_.kind) {
    case HaloKind::hernquist: return -1.0 - 3.0 * x / (1.0 + x);
    case HaloKind::nfw: return -1.0 - 2.0 * x / (1.0 + x);
    case HaloKind::none: break;
    }
    return 0.0;
}

double AnalyticHalo::inner_curvature(double r) const {
    const double x = r / rs_;
    switch (params_.kind) {
    case HaloKind::hernquist: return -3.0 * x / ((1.0 + x) * (1.0 + x));
    case HaloKind::nfw: return -2.0 * x / ((1.0 + x) * (1.0 + x));
    case HaloKind::none: break;
    }
    return 0.0;
}

double AnalyticHalo::inner_depth(double r, double edge) const {
    switch (params_.kind) {
    case HaloKind::hernquist: {
        const double M = params_.mass;
        if (edge <= 0.0) return M / (r + rs_);
        return M / (r + rs_) - M / (edge + rs_) + inner_mass(edge) / edge;
    }
    case HaloKind::nfw: {
        if (r >= params_.r200) return params_.mass / r;
        const double x = r / rs_;
        // ln(1 + x) / r tends to 1 / rs at the centre.
        const double l = r > 0.0 ? std::log1p(x) / r : 1.0 / rs_;
        return params_.mass / fc_ * (l - 1.0 / (rs_ * (1.0 + params_.c)));
    }
    case HaloKind::none: break;
    }
    return 0.0;
}

namespace {

// Linear interpolation in a table of step `step` from r = edge.
double from_table(const std::vector<double>& t, double edge, double step, double r) {
    const double f = (r - edge) / step;
    if (!(f > 0.0)) return t.front();
    if (f >= double(t.size() - 1)) return t.back();
    const auto i = static_cast<std::size_t>(f);
    return t[i] + (f - double(i)) * (t[i + 1] - t[i]);
}

}  // namespace

double AnalyticHalo::mass(double r) const {
    if (particles_) return particles_->mass(r);
    if (!tapered() || r <= params_.edge) return inner_mass(r);
    return mass_edge_ + from_table(taper_mass_, params_.edge, step_, r);
}

double AnalyticHalo::density(double r) const {
    if (particles_) return particles_->density(r);
    if (!tapered() || r <= params_.edge) return inner_density(r);
    if (r >= cutoff()) return 0.0;
    return rho_edge_ * std::exp(exponent_ * std::log(r / params_.edge) - (r - params_.edge) / params_.decay);
}

double AnalyticHalo::log_slope(double r) const {
    if (particles_) return particles_->smooth().at(r).slope;
    if (!tapered() || r <= params_.edge) return inner_slope(r);
    return exponent_ - r / params_.decay;
}

double AnalyticHalo::log_curvature(double r) const {
    if (particles_) return particles_->smooth().at(r).curvature;
    if (!tapered() || r <= params_.edge) return inner_curvature(r);
    return -r / params_.decay;
}

double AnalyticHalo::potential(double r) const {
    if (particles_) return G_ * particles_->potential(r);
    if (params_.kind == HaloKind::none) return 0.0;
    if (!tapered()) return -G_ * inner_depth(r, params_.kind == HaloKind::nfw ? params_.r200 : 0.0);
    if (r <= params_.edge) return -G_ * (inner_depth(r, params_.edge) + taper_depth_.front());
    if (r >= cutoff()) return -G_ * total_mass() / r;
    return -G_ * (mass(r) / r + from_table(taper_depth_, params_.edge, step_, r));
}

double AnalyticHalo::total_mass() const {
    if (particles_) return particles_->total_mass();
    if (!present()) return 0.0;
    return tapered() ? mass_edge_ + taper_mass_.back() : params_.mass;
}

double AnalyticHalo::taper_radius(double beyond) const {
    if (!tapered()) return cutoff();
    const auto it = std::lower_bound(taper_mass_.begin(), taper_mass_.end(), beyond);
    if (it == taper_mass_.begin()) return params_.edge;
    if (it == taper_mass_.end()) return cutoff();
    const auto i = static_cast<std::size_t>(it - taper_mass_.begin());
    const double lo = taper_mass_[i - 1], hi = taper_mass_[i];
    const double t = hi > lo ? (beyond - lo) / (hi - lo) : 0.0;
    return params_.edge + (double(i - 1) + t) * step_;
}

double AnalyticHalo::untruncated_mass() const {
    if (particles_) return particles_->total_mass();
    return present() ? params_.mass : 0.0;
}

double AnalyticHalo::cutoff() const {
    if (particles_) return particles_->outermost();
    if (tapered()) return params_.edge + taper_lengths * params_.decay;
    return params_.kind == HaloKind::nfw ? params_.r200 : 0.0;
}

double AnalyticHalo::scale() const { return rs_; }

std::string AnalyticHalo::describe() const {
    char text[160];
    switch (params_.kind) {
    case HaloKind::hernquist:
        std::snprintf(text, sizeof text, "hernquist M %.6g a %.6g", params_.mass, params_.a);
        return text;
    case HaloKind::nfw:
        std::snprintf(text, sizeof text, "nfw M200 %.6g r200 %.6g c %.6g", params_.mass, params_.r200, params_.c);
        return text;
    case HaloKind::none: break;
    }
    return particles_ ? "from its particles" : "none";
}

}  // namespace galtk::galvel
