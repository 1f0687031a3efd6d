#include "gas_equilibrium.hpp"

#include <algorithm>
#include <cmath>
#include <memory>

#include "geometry.hpp"
#include "ring_field.hpp"

namespace galtk::galvel {

namespace {

// The integral over [lo, hi] of the parabola through (x[k], f[k]), k = 0, 1, 2 (Newton's
// form about x[0]).
double parabola_integral(const double* x, const double* f, double lo, double hi) {
    const double e = x[1] - x[0];
    const double A = (f[1] - f[0]) / e;
    const double B = ((f[2] - f[1]) / (x[2] - x[1]) - A) / (x[2] - x[0]);
    auto primitive = [&](double u) { return u * (f[0] + u * (0.5 * A + B * (u / 3.0 - 0.5 * e))); };
    return primitive(hi - x[0]) - primitive(lo - x[0]);
}

}  // namespace

VerticalField model_vertical_field(const ModelField& others, int threads) {
    auto field = std::make_shared<const ModelField>(others);
    return [field, threads](const std::vector<double>& R, const std::vector<double>& z, std::vector<double>& dphi,
                            std::vector<double>& slope) {
        // The field's potential is flat within its floor of half a radial step of each
        // layer of nodes, while its force is not: Phi(R, z) - Phi(R, 0) is the integral of
        // the force instead, up each column from the plane. The points come a column at a
        // time, upwards: a run of equal R and rising z is one column, the plane put before
        // it unless it starts there. Each step is integrated on the parabola through its
        // ends and the next point (the last step: the previous point), third order in the
        // steps.
        const std::size_t n = R.size();
        std::vector<FieldPoint> points;
        std::vector<std::size_t> at(n), begin(n);   // a point's node; its column's first node
        std::vector<char> starts(n);
        points.reserve(n + 64);
        for (std::size_t j = 0; j < n; ++j) starts[j] = !(j > 0 && R[j] == R[j - 1] && z[j] > z[j - 1]);
        for (std::size_t j = 0; j < n; ++j) {
            begin[j] = starts[j] ? points.size() : begin[j - 1];
            if (starts[j] && z[j] != 0.0) {
                points.push_back({R[j], 0.0});
                // A point alone above the plane: its midpoint makes the step Simpson's.
                if (j + 1 == n || starts[j + 1]) points.push_back({R[j], 0.5 * z[j]});
            }
            at[j] = points.size();
            points.push_back({R[j], z[j]});
        }
        const std::vector<FieldValue> v = field->evaluate_blocked(points, threads);
        dphi.resize(n);
        slope.resize(n);
        std::vector<double> x, f;
        for (std::size_t first = 0; first < n;) {
            std::size_t last = first + 1;
            while (last < n && !starts[last]) ++last;
            // The column's nodes: the plane (and a midpoint) put before it, then its points.
            x.clear();
            f.clear();
            const std::size_t p0 = begin[first];
            for (std::size_t p = p0; p <= at[last - 1]; ++p) {
                x.push_back(points[p].z);
                f.push_back(-v[p].a_z);
            }
            // Node k of the column is point first + k - offset (the plane, when put before
            // the column, is node 0 of no point).
            const std::size_t offset = at[first] - p0;
            double sum = 0.0;
            for (std::size_t k = 0; k < x.size(); ++k) {
                if (k > 0) {
                    if (x.size() == 2) {
                        sum += 0.5 * (x[1] - x[0]) * (f[0] + f[1]);
                    } else {
                        const std::size_t base = k + 1 < x.size() ? k - 1 : k - 2;
                        sum += parabola_integral(&x[base], &f[base], x[k - 1], x[k]);
                    }
                }
                if (k < offset) continue;
                const std::size_t j = first + k - offset;
                dphi[j] = sum;
                slope[j] = f[k];
            }
            first = last;
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
