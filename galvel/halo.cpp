#include "halo.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>
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

AnalyticHalo::AnalyticHalo(const HaloParameters& params, double G) : params_(params), G_(G) {
    if (params.kind == HaloKind::nfw) {
        rs_ = params.r200 / params.c;
        fc_ = nfw_f(params.c);
    } else {
        rs_ = params.a;
    }
}

double AnalyticHalo::mass(double r) const {
    switch (params_.kind) {
    case HaloKind::hernquist: return params_.mass * (r / (r + rs_)) * (r / (r + rs_));
    case HaloKind::nfw: return r >= params_.r200 ? params_.mass : params_.mass * nfw_f(r / rs_) / fc_;
    case HaloKind::none: break;
    }
    return 0.0;
}

double AnalyticHalo::density(double r) const {
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

double AnalyticHalo::potential(double r) const {
    switch (params_.kind) {
    case HaloKind::hernquist: return -G_ * params_.mass / (r + rs_);
    case HaloKind::nfw: {
        if (r >= params_.r200) return -G_ * params_.mass / r;
        const double x = r / rs_;
        // ln(1 + x) / r tends to 1 / rs at the centre.
        const double l = r > 0.0 ? std::log1p(x) / r : 1.0 / rs_;
        return -G_ * params_.mass / fc_ * (l - 1.0 / (rs_ * (1.0 + params_.c)));
    }
    case HaloKind::none: break;
    }
    return 0.0;
}

double AnalyticHalo::total_mass() const { return present() ? params_.mass : 0.0; }

double AnalyticHalo::cutoff() const { return params_.kind == HaloKind::nfw ? params_.r200 : 0.0; }

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
    return "none";
}

}  // namespace galtk::galvel
