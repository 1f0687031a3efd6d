#include "gas_equilibrium.hpp"

#include <algorithm>
#include <cmath>
#include <memory>

#include "geometry.hpp"
#include "ring_field.hpp"

namespace galtk::galvel {

VerticalField model_vertical_field(const ModelField& others, int threads) {
    auto field = std::make_shared<const ModelField>(others);
    return [field, threads](const std::vector<double>& R, const std::vector<double>& z, std::vector<double>& dphi,
                            std::vector<double>& slope) {
        // The field's potential is flat within its floor of half a radial step of each
        // layer of nodes, while its force is not: Phi(R, z) - Phi(R, 0) is the integral of
        // the force instead, by Simpson's rule from the previous point of the column (the
        // points come a column at a time, upwards) or from the plane.
        const std::size_t n = R.size();
        std::vector<FieldPoint> points;
        std::vector<std::size_t> from(n), middle(n);
        std::vector<char> chained(n);
        points.reserve(3 * n);
        for (std::size_t j = 0; j < n; ++j) {
            const bool upwards = j > 0 && R[j] == R[j - 1] && z[j] >= z[j - 1];
            const double start = upwards ? z[j - 1] : 0.0;
            chained[j] = upwards;
            if (upwards) {
                from[j] = points.size() - 1;
            } else {
                from[j] = points.size();
                points.push_back({R[j], 0.0});
            }
            middle[j] = points.size();
            points.push_back({R[j], 0.5 * (start + z[j])});
            points.push_back({R[j], z[j]});
        }
        const std::vector<FieldValue> v = field->evaluate_blocked(points, threads);
        dphi.resize(n);
        slope.resize(n);
        for (std::size_t j = 0; j < n; ++j) {
            const FieldValue& a = v[from[j]];
            const FieldValue& m = v[middle[j]];
            const FieldValue& b = v[middle[j] + 1];
            const double base = chained[j] ? dphi[j - 1] : 0.0;
            dphi[j] = base - (points[middle[j] + 1].z - points[from[j]].z) / 6.0 * (a.a_z + 4.0 * m.a_z + b.a_z);
            slope[j] = -b.a_z;
        }
    };
}

double gas_outer_radius(const Settings& s, double stars_r_max) { return s.gas.r_max ? *s.gas.r_max : stars_r_max; }

void add_gas_field(const GasDisk& gas, DiskInputs& in, double G, int threads) {
    RingGridShape shape;
    shape.r_max = gas.r_max();
    for (const GasColumn& c : gas.columns()) shape.zeta_max = std::max(shape.zeta_max, c.top());
    // 2048 radial nodes. The gas may be thinner than a radial step; its rings are raised
    // to a step's height at least, which smooths the discrete rings into the sheet they
    // stand for (the stars are much thicker than a step).
    shape.zeta_typical = shape.r_max / 1024.0;
    RingField field(shape);
    // The smooth disk on the field's own radial nodes: each node takes the mass of the
    // annulus half a step either side, spread over heights at 16 quantiles of its column.
    constexpr int quantiles = 16;
    const double dr = shape.r_max / (field.radial_nodes() - 1);
    for (int i = 0; i < field.radial_nodes(); ++i) {
        const double R = i * dr;
        const double m = gas.mass() * (gas.mass_fraction(R + 0.5 * dr) - gas.mass_fraction(R - 0.5 * dr));
        if (!(m > 0.0)) continue;
        for (int q = 0; q < quantiles; ++q)
            field.add(R, std::max(gas.height_of(R, (q + 0.5) / quantiles), dr), m / quantiles);
    }
    std::vector<double> potential;
    field.evaluate(in.grid.radii(), in.force_gas, potential, threads);
    for (int i = 0; i < in.grid.size(); ++i) {
        in.force_gas[i] *= G;
        in.potential[i] += G * potential[i];
    }
}

std::vector<double> gas_circular_speeds(const GasDisk& gas, const DiskTable& t, const AnalyticHalo& halo, double G) {
    const int last = t.size() - 1;
    const double R_end = t.grid[last];
    const double particles_end = t.vc2[last] - t.vc2_halo[last];
    std::vector<double> vc2(gas.grid().size());
    for (int i = 0; i < gas.grid().size(); ++i) {
        const double R = gas.grid()[i];
        if (R <= R_end) {
            vc2[i] = t.grid.interpolate(t.vc2, R);
        } else {
            vc2[i] = particles_end * R_end / R + (halo.present() ? G * halo.mass(R) / R : 0.0);
        }
    }
    return vc2;
}

}  // namespace galtk::galvel
