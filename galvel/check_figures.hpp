// The figures --check follows in time, those a simulation shows first when a model is out
// of equilibrium: each component's 10%, 50% and 90% mass radii (spherical r), the disk's
// z_rms at 1, 2 and 3 scale lengths, its sigma_R and mean v_phi at the reference radius
// (mass-weighted, in annuli of half a scale length, |R - R_k| < h/4), and the halo's
// inner 1% and 5% mass radii.
//
// Their sampling noise is bootstrapped: the sample drawn again with replacement within
// each component (`replicates` times, a fixed generator), the figure's standard deviation
// over the draws. A change between two times of the same particles has at most
// sqrt(2) times that noise once the orbits have decorrelated, which is what the check
// takes as the noise of a change.
#pragma once

#include <string>
#include <vector>

#include "check_sample.hpp"

namespace galtk::galvel {

enum class FigureKind { mass_radius, z_rms, sigma_R, mean_vphi };

struct FigureDefinition {
    std::string name;     // one word: disk_r10, disk_zrms_1h, halo_r1, ...
    Component component;
    FigureKind kind;
    double value;         // mass fraction, or the annulus's radius
    double half_width;    // of the annulus
};

// The figures of the components the sample holds; h the disk's scale length, R_ref the
// reference radius of Q.
std::vector<FigureDefinition> figure_definitions(const CheckSample& sample, double h, double R_ref);

// The sample's members of component c, sorted by their spherical radius now.
std::vector<std::size_t> radius_order(Component c, const CheckSample& sample);
using RadiusOrders = std::array<std::vector<std::size_t>, component_count>;

// Every figure of the sample as it is now; `weights` (one per sample member, or empty for
// all 1) multiply the masses; `orders` (optional) the members sorted by radius, per
// component, as radius_order gives them now. A figure without particles is NaN.
std::vector<double> measure(const std::vector<FigureDefinition>& defs, const CheckSample& sample,
                            const std::vector<double>& weights = {}, const RadiusOrders* orders = nullptr);

inline constexpr int default_bootstrap_replicates = 40;

// The bootstrap standard deviation of every figure at the sample's present state.
std::vector<double> bootstrap_noise(const std::vector<FigureDefinition>& defs, const CheckSample& sample,
                                    int replicates = default_bootstrap_replicates);

}  // namespace galtk::galvel
