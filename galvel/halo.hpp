// The analytic dark halo: a Hernquist sphere or an NFW profile, either with an
// exponential taper beyond an edge radius.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "particle_sphere.hpp"

namespace galtk::galvel {

enum class HaloKind { none, hernquist, nfw };

// The halo as the option gives it: hernquist:M:a or nfw:M200:r200:c.
struct HaloParameters {
    HaloKind kind = HaloKind::none;
    double mass = 0.0;   // M (Hernquist) or M200 (NFW)
    double a = 0.0;      // Hernquist scale radius
    double r200 = 0.0;   // NFW virial radius
    double c = 0.0;      // NFW concentration
    // The taper: beyond `edge` (0: none) the density falls off as
    //   rho(r) = rho(edge) (r / edge)^e exp(-(r - edge) / decay),  e = s(edge) + edge / decay,
    // s the profile's logarithmic slope, so that density and slope are continuous there
    // (Kazantzidis, Magorrian & Moore 2004).
    double edge = 0.0;
    double decay = 0.0;
};

// What --halo-outer and --halo-decay ask for, and whether halo particles are drawn.
struct TaperRequest {
    bool particles = false;
    double outer = 0.0;   // Hernquist edge; 0: the default
    double decay = 0.0;   // 0: the default
};

// The edge of the halo's taper: NFW always tapered beyond r200; a Hernquist halo tapered
// beyond `outer` (default 100 a) when it has particles or an outer radius is asked for,
// otherwise unbounded. The decay length defaults to a tenth of the edge radius.
HaloParameters with_taper(HaloParameters params, const TaperRequest& request);

inline constexpr double default_outer_in_scale_radii = 100.0;
inline constexpr double default_decay_fraction = 0.1;

// NFW's mass function f(x) = ln(1 + x) - x / (1 + x).
double nfw_f(double x);

// Parses "hernquist:M:a" or "nfw:M200:r200:c". Every number must be positive and finite.
// Returns an empty string and fills `params`, or the reason the text was refused.
std::string parse_halo(std::string_view text, HaloParameters& params);

// Mass, density and potential of the halo (G given). Hernquist:
//   M(r) = M r^2 / (r + a)^2,  rho = M a / (2 pi r (r + a)^3),  Phi = -G M / (r + a).
// NFW with rs = r200 / c, x = r / rs, f(x) = ln(1 + x) - x / (1 + x):
//   M(r) = M200 f(x) / f(c),  rho = M200 / (4 pi rs^3 f(c) x (1 + x)^2) inside r200.
// With a taper the mass and the potential inside the edge are those of the profile cut at
// the edge plus the taper's share, -G int_edge^inf 4 pi r rho dr; beyond it the taper's
// mass and potential come from a table (trapezoid rule on 8192 steps out to 60 decay
// lengths, where the density is below 1e-20 of its value at the edge). Without a taper
// NFW is cut off sharply at r200 (a halo given before tapers existed) and Hernquist is
// unbounded. A halo of kind none has no mass.
//
// A halo the model holds as particles takes the same form, so that every part of the run
// that feels the halo feels it alike: its parameters are then of kind none (nothing
// analytic to describe or to note in the file) and its values come from the particles.
class AnalyticHalo {
public:
    AnalyticHalo() = default;
    AnalyticHalo(const HaloParameters& params, double G);
    AnalyticHalo(std::shared_ptr<const ParticleSphere> particles, double G);

    bool present() const { return params_.kind != HaloKind::none || particles_ != nullptr; }
    // The halo's particles when it is held by the model; null for the analytic profile.
    const ParticleSphere* particles() const { return particles_.get(); }
    double mass(double r) const;
    double density(double r) const;
    // d ln rho / d ln r and its derivative d^2 ln rho / d (ln r)^2.
    double log_slope(double r) const;
    double log_curvature(double r) const;
    double potential(double r) const;
    double total_mass() const;
    // The mass the profile would have without its taper (M of Hernquist, infinite sphere;
    // M200 of NFW), so untruncated_mass() - total_mass() is the mass a taper leaves out
    // (negative: it adds mass, as beyond r200).
    double untruncated_mass() const;
    // Radius beyond which there is no mass (the taper's end, or r200 without one), or 0
    // for an unbounded profile.
    double cutoff() const;
    bool tapered() const { return params_.edge > 0.0; }
    // The mass inside the taper's edge, and the radius beyond the edge that holds
    // `beyond` more (0 <= beyond <= total_mass() - edge_mass()).
    double edge_mass() const { return tapered() ? mass_edge_ : total_mass(); }
    double taper_radius(double beyond) const;
    // The length of the profile: a, or rs of NFW.
    double scale() const;
    const HaloParameters& parameters() const { return params_; }
    std::string describe() const;

private:
    // The profile without taper, inside the edge.
    double inner_mass(double r) const;
    double inner_density(double r) const;
    double inner_slope(double r) const;
    double inner_curvature(double r) const;
    // -Phi / G of the profile cut off at `edge` (NFW: at r200), at r <= edge.
    double inner_depth(double r, double edge) const;
    void build_taper();

    HaloParameters params_;
    double G_ = 1.0;
    double rs_ = 0.0;
    double fc_ = 1.0;   // NFW f(c)
    // The taper beyond the edge: exponent, density at the edge, the table's step and its
    // cumulative mass and outer integral of 4 pi r rho.
    double exponent_ = 0.0;
    double rho_edge_ = 0.0;
    double mass_edge_ = 0.0;
    double step_ = 0.0;
    std::vector<double> taper_mass_;
    std::vector<double> taper_depth_;
    std::shared_ptr<const ParticleSphere> particles_;
};

}  // namespace galtk::galvel
