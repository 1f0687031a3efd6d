#include "gas_disk.hpp"

#include <algorithm>
#include <cstdio>
#include <numbers>
#include <string>

#include "refusal.hpp"

namespace galtk::galvel {

namespace {

constexpr int max_regrids = 6;
constexpr double heights_per_column = 10.0;

// Where the field is computed along a column: z_j = s sinh(j du) from 0 to the cap, s a
// ten-thousandth of the cap (steps in proportion to the height above s).
std::vector<double> field_heights(double cap) {
    const double s = 1e-4 * cap;
    const double du = std::asinh(cap / s) / (GasDisk::field_nodes - 1);
    std::vector<double> z(GasDisk::field_nodes);
    for (int j = 0; j < GasDisk::field_nodes; ++j) z[j] = s * std::sinh(j * du);
    z.back() = cap;
    return z;
}

// The field from its values f and slopes d at the nodes Z, cubic Hermite on the column's
// uniform nodes.
std::vector<double> hermite(const std::vector<double>& Z, const double* f, const double* d, double dz, int nodes) {
    std::vector<double> out(nodes);
    std::size_t j = 0;
    for (int k = 0; k < nodes; ++k) {
        const double z = std::min(k * dz, Z.back());
        while (j + 2 < Z.size() && Z[j + 1] < z) ++j;
        const double step = Z[j + 1] - Z[j];
        const double t = (z - Z[j]) / step, t2 = t * t, t3 = t2 * t;
        out[k] = (2 * t3 - 3 * t2 + 1) * f[j] + (t3 - 2 * t2 + t) * step * d[j] + (-2 * t3 + 3 * t2) * f[j + 1] +
                 (t3 - t2) * step * d[j + 1];
    }
    return out;
}

struct Pending {
    double R, sigma, top;
    GasColumn* column;
};

// Solves the columns, each again on a taller or shorter grid until its half-mass height
// is between a twentieth and a fifth of the grid's top (or the top is at the cap). The
// field is computed once a column, up to the cap.
void solve_columns(const std::vector<Pending>& columns, double cap, const GasEos& eos, double G, bool self_normalised,
                   const VerticalField& field) {
    const std::vector<double> Z = field_heights(cap);
    std::vector<double> R, z, dphi, slope;
    for (const Pending& p : columns)
        for (double height : Z) {
            R.push_back(p.R);
            z.push_back(height);
        }
    field(R, z, dphi, slope);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        Pending p = columns[c];
        const std::size_t at = c * Z.size();
        for (int round = 0;; ++round) {
            const double dz = p.top / (GasDisk::column_nodes - 1);
            *p.column = solve_column(hermite(Z, &dphi[at], &slope[at], dz, GasDisk::column_nodes), dz, p.sigma, eos, G,
                                     self_normalised);
            if (!p.column->converged) {
                char text[200];
                std::snprintf(text, sizeof text,
                              "the gas column at R = %.6g did not reach equilibrium in %d iterations "
                              "(half-mass height %.6g)",
                              p.R, column_max_iterations, p.column->half_height);
                throw Refusal(text);
            }
            const double H = p.column->half_height;
            const bool too_tall = H < p.top / 20.0;
            const bool too_short = H > p.top / 5.0 && p.top < cap;
            if (!(too_tall || too_short) || round == max_regrids || !(H > 0.0)) break;
            p.top = std::min(heights_per_column * H, cap);
        }
    }
}

}  // namespace

GasDisk::GasDisk(const GasParameters& p, double r_max, double c2, double G, const VerticalField& field)
    : mass_(p.mass), h_(p.scale_length), r_max_(r_max), eos_(c2, p.polytrope) {
    const double x = r_max_ / h_;
    norm_ = -std::expm1(-x) - x * std::exp(-x);
    sigma0_ = mass_ / (2.0 * std::numbers::pi * h_ * h_ * norm_);
    grid_ = LogGrid(std::min(0.02 * h_, r_max_ / 50.0), r_max_, column_count);
    columns_.resize(column_count);

    // First guess of a column's half-mass height: the self-gravitating isothermal sheet's,
    // 0.549 c^2 / (pi G Sigma).
    auto first_top = [&](double R) {
        const double sheet = std::atanh(0.5) * c2 / (std::numbers::pi * G * surface_density(R));
        return std::min(heights_per_column * sheet, r_max_);
    };
    // The reference column at the scale length fixes the polytrope's constant.
    const double R_ref = std::min(h_, r_max_);
    GasColumn reference;
    solve_columns({{R_ref, surface_density(R_ref), first_top(R_ref), &reference}}, r_max_, eos_, G, true, field);
    rho_ref_ = reference.rho0();
    eos_.normalise(rho_ref_);
    iterations_ = reference.iterations;

    std::vector<Pending> pending;
    for (int i = 0; i < column_count; ++i)
        pending.push_back({grid_[i], surface_density(grid_[i]), first_top(grid_[i]), &columns_[i]});
    solve_columns(pending, r_max_, eos_, G, false, field);
    for (const GasColumn& c : columns_) iterations_ = std::max(iterations_, c.iterations);
    vphi_.assign(column_count, 0.0);
    vc2_.assign(column_count, 0.0);
    tabulate_radii();
}

double GasDisk::mass_fraction(double R) const {
    if (!(R > 0.0)) return 0.0;
    if (R >= r_max_) return 1.0;
    const double x = R / h_;
    return (-std::expm1(-x) - x * std::exp(-x)) / norm_;
}

double GasDisk::bisect_radius(double u) const {
    double lo = 0.0, hi = r_max_;
    for (int step = 0; step < 60; ++step) {
        const double mid = 0.5 * (lo + hi);
        (mass_fraction(mid) < u ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

void GasDisk::tabulate_radii() {
    radius_table_.resize(radius_table_size + 1);
    for (int i = 0; i <= radius_table_size; ++i) {
        const double s = double(i) / radius_table_size;
        radius_table_[i] = bisect_radius(s * s);
    }
}

double GasDisk::radius_of(double u) const {
    // Newton's method on the mass fraction from a table in sqrt(u) (R grows as sqrt(u) near
    // the centre, so the table is smooth there): two or three steps reach the root to
    // rounding, where the bisection took 60 evaluations (most of drawing the positions).
    if (!(u > 0.0 && u < 1.0)) return bisect_radius(u);
    const double t = std::sqrt(u) * radius_table_size;
    const int i = std::min(static_cast<int>(t), radius_table_size - 1);
    const double lo = radius_table_[i], hi = radius_table_[i + 1];
    double R = lo + (t - i) * (hi - lo);
    const double scale = 1.0 / (h_ * h_ * norm_);
    for (int step = 0; step < 8; ++step) {
        const double slope = R * std::exp(-R / h_) * scale;   // d(mass fraction)/dR
        if (!(slope > 0.0)) break;
        const double change = (mass_fraction(R) - u) / slope;
        R -= change;
        if (!(R >= lo && R <= hi)) break;                      // left its bracket: bisect
        if (std::fabs(change) <= 1e-15 * R) return R;
    }
    return bisect_radius(u);
}

double GasDisk::height_of(double R, double u) const {
    int i;
    double w;
    grid_.locate(R, i, w);
    return (1.0 - w) * columns_[i].height_of(u) + w * columns_[i + 1].height_of(u);
}

double GasDisk::density(double R, double z) const {
    int i;
    double w;
    grid_.locate(R, i, w);
    return (1.0 - w) * columns_[i].density_at(z) + w * columns_[i + 1].density_at(z);
}

double GasDisk::half_height(double R) const {
    int i;
    double w;
    grid_.locate(R, i, w);
    return (1.0 - w) * columns_[i].half_height + w * columns_[i + 1].half_height;
}

void GasDisk::set_rotation(const std::vector<double>& vc2) {
    const int n = column_count;
    std::vector<double> ln_p(n);
    for (int i = 0; i < n; ++i) {
        const double rho0 = columns_[i].rho0();
        ln_p[i] = std::log(rho0 * eos_.pressure_over_density(rho0));
    }
    vphi_.assign(n, 0.0);
    vc2_ = vc2;
    no_rotation_lo = HUGE_VAL;
    no_rotation_hi = -HUGE_VAL;
    for (int i = 0; i < n; ++i) {
        const int lo = std::max(i - 1, 0), hi = std::min(i + 1, n - 1);
        const double slope = (ln_p[hi] - ln_p[lo]) / std::log(grid_[hi] / grid_[lo]);
        const double v2 = vc2[i] + eos_.pressure_over_density(columns_[i].rho0()) * slope;
        if (v2 < 0.0) {
            no_rotation_lo = std::min(no_rotation_lo, grid_[i]);
            no_rotation_hi = std::max(no_rotation_hi, grid_[i]);
        }
        vphi_[i] = std::sqrt(std::max(v2, 0.0));
    }
}

double GasDisk::rotation(double R) const {
    if (R < grid_[0]) return vphi_[0] * R / grid_[0];
    return grid_.interpolate(vphi_, R);
}

void GasDisk::for_each_cell(const std::function<void(double, double, double)>& add) const {
    double inner = 0.0;
    for (int i = 0; i < column_count; ++i) {
        const double outer = i + 1 < column_count ? std::sqrt(grid_[i] * grid_[i + 1]) : r_max_;
        const double annulus = mass_ * (mass_fraction(outer) - mass_fraction(inner));
        inner = outer;
        const GasColumn& c = columns_[i];
        for (std::size_t k = 1; k < c.cumulative.size(); ++k) {
            const double m = annulus * (c.cumulative[k] - c.cumulative[k - 1]);
            if (m > 0.0) add(grid_[i], (static_cast<double>(k) - 0.5) * c.dz, m);
        }
    }
}

}  // namespace galtk::galvel
