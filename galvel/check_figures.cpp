#include "check_figures.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>

namespace galtk::galvel {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

double radius(const Orbit& o) { return std::sqrt(o.x * o.x + o.y * o.y + o.z * o.z); }

}  // namespace

std::vector<std::size_t> radius_order(Component c, const CheckSample& s) {
    std::vector<std::size_t> members;
    for (std::size_t j = 0; j < s.size(); ++j)
        if (s.component[j] == c) members.push_back(j);
    std::vector<double> r(s.size(), 0.0);
    for (std::size_t j : members) r[j] = radius(s.orbits[j]);
    std::sort(members.begin(), members.end(), [&](std::size_t a, std::size_t b) { return r[a] < r[b]; });
    return members;
}

namespace {

// Mass radii of one component for every fraction asked, along its members sorted by radius.
void mass_radii(const std::vector<FigureDefinition>& defs, Component c, const CheckSample& s,
                const std::vector<double>& w, const std::vector<std::size_t>& members, std::vector<double>& out) {
    double total = 0.0;
    for (std::size_t j : members) total += s.mass[j] * (w.empty() ? 1.0 : w[j]);
    for (std::size_t f = 0; f < defs.size(); ++f) {
        if (defs[f].component != c || defs[f].kind != FigureKind::mass_radius) continue;
        out[f] = nan;
        double sum = 0.0;
        const double target = defs[f].value * total;
        for (std::size_t j : members) {
            sum += s.mass[j] * (w.empty() ? 1.0 : w[j]);
            if (sum >= target) {
                out[f] = radius(s.orbits[j]);
                break;
            }
        }
    }
}

// Mass-weighted moments of the disk particles in an annulus.
struct Annulus {
    double m = 0.0, z2 = 0.0, vR = 0.0, vR2 = 0.0, vphi = 0.0;
};

Annulus annulus(const FigureDefinition& def, const CheckSample& s, const std::vector<double>& w) {
    Annulus a;
    for (std::size_t j = 0; j < s.size(); ++j) {
        if (s.component[j] != Component::disk) continue;
        const Orbit& o = s.orbits[j];
        const double R = std::hypot(o.x, o.y);
        if (!(std::fabs(R - def.value) < def.half_width) || !(R > 0.0)) continue;
        const double m = s.mass[j] * (w.empty() ? 1.0 : w[j]);
        const double vR = (o.x * o.vx + o.y * o.vy) / R, vphi = (o.x * o.vy - o.y * o.vx) / R;
        a.m += m;
        a.z2 += m * o.z * o.z;
        a.vR += m * vR;
        a.vR2 += m * vR * vR;
        a.vphi += m * vphi;
    }
    return a;
}

double annulus_figure(const FigureDefinition& def, const CheckSample& s, const std::vector<double>& w) {
    const Annulus a = annulus(def, s, w);
    if (!(a.m > 0.0)) return nan;
    switch (def.kind) {
        case FigureKind::z_rms: return std::sqrt(a.z2 / a.m);
        case FigureKind::sigma_R: {
            const double mean = a.vR / a.m;
            return std::sqrt(std::max(a.vR2 / a.m - mean * mean, 0.0));
        }
        case FigureKind::mean_vphi: return a.vphi / a.m;
        case FigureKind::mass_radius: break;
    }
    return nan;
}

}  // namespace

std::vector<FigureDefinition> figure_definitions(const CheckSample& sample, double h, double R_ref) {
    std::vector<FigureDefinition> defs;
    for (Component c : {Component::disk, Component::bulge, Component::halo}) {
        if (!sample.has(c)) continue;
        const std::string name = component_name(c);
        if (c == Component::halo) {
            defs.push_back({name + "_r1", c, FigureKind::mass_radius, 0.01, 0.0});
            defs.push_back({name + "_r5", c, FigureKind::mass_radius, 0.05, 0.0});
        }
        for (int percent : {10, 50, 90})
            defs.push_back({name + "_r" + std::to_string(percent), c, FigureKind::mass_radius, percent / 100.0, 0.0});
        if (c == Component::disk) {
            for (int k = 1; k <= 3; ++k)
                defs.push_back({"disk_zrms_" + std::to_string(k) + "h", c, FigureKind::z_rms, k * h, 0.25 * h});
            defs.push_back({"disk_sigmaR_ref", c, FigureKind::sigma_R, R_ref, 0.25 * h});
            defs.push_back({"disk_vphi_ref", c, FigureKind::mean_vphi, R_ref, 0.25 * h});
        }
    }
    return defs;
}

std::vector<double> measure(const std::vector<FigureDefinition>& defs, const CheckSample& sample,
                            const std::vector<double>& weights, const RadiusOrders* orders) {
    std::vector<double> out(defs.size(), nan);
    for (Component c : {Component::disk, Component::bulge, Component::halo}) {
        if (!sample.has(c)) continue;
        const int k = static_cast<int>(c);
        mass_radii(defs, c, sample, weights, orders ? (*orders)[k] : radius_order(c, sample), out);
    }
    for (std::size_t f = 0; f < defs.size(); ++f)
        if (defs[f].kind != FigureKind::mass_radius) out[f] = annulus_figure(defs[f], sample, weights);
    return out;
}

std::vector<double> bootstrap_noise(const std::vector<FigureDefinition>& defs, const CheckSample& sample, int replicates) {
    std::array<std::vector<std::size_t>, component_count> members;
    for (std::size_t j = 0; j < sample.size(); ++j) members[static_cast<int>(sample.component[j])].push_back(j);
    std::vector<double> sum(defs.size(), 0.0), sum2(defs.size(), 0.0);
    std::vector<double> weights(sample.size());
    RadiusOrders orders;   // the positions stay: one sort serves every resample
    for (Component c : {Component::disk, Component::bulge, Component::halo})
        orders[static_cast<int>(c)] = radius_order(c, sample);
    std::mt19937_64 generator(4711);   // fixed: the same model gives the same noise
    int counted = 0;
    for (int b = 0; b < replicates; ++b) {
        std::fill(weights.begin(), weights.end(), 0.0);
        for (const auto& m : members)
            for (std::size_t i = 0; i < m.size(); ++i) weights[m[generator() % m.size()]] += 1.0;
        const std::vector<double> v = measure(defs, sample, weights, &orders);
        for (std::size_t f = 0; f < defs.size(); ++f) {
            sum[f] += v[f];
            sum2[f] += v[f] * v[f];
        }
        ++counted;
    }
    std::vector<double> noise(defs.size());
    for (std::size_t f = 0; f < defs.size(); ++f) {
        const double mean = sum[f] / counted;
        noise[f] = counted > 1 ? std::sqrt(std::max(sum2[f] / counted - mean * mean, 0.0) * counted / (counted - 1)) : nan;
    }
    return noise;
}

}  // namespace galtk::galvel
