// The analytic dark halo: a Hernquist sphere or an NFW profile cut off at r200.
#pragma once

#include <string>
#include <string_view>

namespace galtk::galvel {

enum class HaloKind { none, hernquist, nfw };

// The halo as the option gives it: hernquist:M:a or nfw:M200:r200:c.
struct HaloParameters {
    HaloKind kind = HaloKind::none;
    double mass = 0.0;   // M (Hernquist) or M200 (NFW)
    double a = 0.0;      // Hernquist scale radius
    double r200 = 0.0;   // NFW virial radius
    double c = 0.0;      // NFW concentration
};

// NFW's mass function f(x) = ln(1 + x) - x / (1 + x).
double nfw_f(double x);

// Parses "hernquist:M:a" or "nfw:M200:r200:c". Every number must be positive and finite.
// Returns an empty string and fills `params`, or the reason the text was refused.
std::string parse_halo(std::string_view text, HaloParameters& params);

// Mass, density and potential of the halo (G given). Hernquist:
//   M(r) = M r^2 / (r + a)^2,  rho = M a / (2 pi r (r + a)^3),  Phi = -G M / (r + a).
// NFW with rs = r200 / c, x = r / rs, f(x) = ln(1 + x) - x / (1 + x), cut off at r200
// (mass M200, nothing beyond, so the total mass and the potential energy stay finite):
//   M(r) = M200 f(x) / f(c),  rho = M200 / (4 pi rs^3 f(c) x (1 + x)^2),
//   Phi = -G M200 / f(c) [ ln(1 + x) / r - 1 / (rs (1 + c)) ]  (r <= r200),
//   Phi = -G M200 / r beyond.
// A halo of kind none has no mass.
class AnalyticHalo {
public:
    AnalyticHalo() = default;
    AnalyticHalo(const HaloParameters& params, double G);

    bool present() const { return params_.kind != HaloKind::none; }
    double mass(double r) const;
    double density(double r) const;
    double potential(double r) const;
    double total_mass() const;
    // Radius beyond which there is no mass (r200), or 0 for an unbounded profile.
    double cutoff() const;
    // The length of the profile: a, or rs of NFW.
    double scale() const;
    const HaloParameters& parameters() const { return params_; }
    std::string describe() const;

private:
    HaloParameters params_;
    double G_ = 1.0;
    double rs_ = 0.0;
    double fc_ = 1.0;   // NFW f(c)
};

}  // namespace galtk::galvel
