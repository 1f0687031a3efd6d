#include "frozen_field.hpp"

#include <algorithm>
#include <cmath>


namespace galtk::galvel {

namespace {

// Catmull-Rom weights of the four nodes around t in [0, 1).
struct Cubic {
    double w[4];
    explicit Cubic(double t) {
        const double t2 = t * t, t3 = t2 * t;
        w[0] = 0.5 * (-t3 + 2.0 * t2 - t);
        w[1] = 0.5 * (3.0 * t3 - 5.0 * t2 + 2.0);
        w[2] = 0.5 * (-3.0 * t3 + 4.0 * t2 + t);
        w[3] = 0.5 * (t3 - t2);
    }
};

// asinh of x >= 0 (no cancellation there), cheaper than the library's general one.
double asinh_positive(double x) { return std::log(x + std::sqrt(x * x + 1.0)); }

// The cell of x on a grid of n nodes spaced 1 apart (index and fraction), the last cell
// taking x up to n - 1.
void locate(double x, int n, int& i, double& t) {
    i = std::min(static_cast<int>(x), n - 2);
    t = x - i;
}

// The halo's pull alone (halo_field also gives the potential, which orbits never need).
Acceleration halo_acceleration(const AnalyticHalo& halo, double G, double R, double z) {
    const double r = std::sqrt(R * R + z * z);
    if (!(r > 0.0)) return {};
    const double g = -G * halo.mass(r) / (r * r * r);
    return {g * R, g * z};
}

}  // namespace

Acceleration HaloField::at(double R, double z) const { return halo_acceleration(halo_, G_, R, z); }

TableLayout table_layout(const ModelField& field, double scale_length, double z0) {
    TableLayout layout;
    const FieldLayout& extent = field.particles().layout();
    const double r_max = std::hypot(extent.r_max, extent.z_max);
    layout.R_soft = scale_length > 0.0 ? 0.25 * scale_length : std::max(r_max, 1.0) / 40.0;
    layout.z_soft = z0 > 0.0 ? 0.5 * z0 : 0.1 * layout.R_soft;
    layout.R_max = layout.z_max = 2.0 * std::max(r_max, layout.R_soft);
    return layout;
}

FieldTable::FieldTable(const ModelField& field, const TableLayout& layout, int threads)
    : layout_(layout), halo_(field.halo()), G_(field.G()) {
    const int nR = layout.radial_nodes, nz = layout.vertical_nodes;
    du_ = std::asinh(layout.R_max / layout.R_soft) / (nR - 1);
    dw_ = std::asinh(layout.z_max / layout.z_soft) / (nz - 1);
    inv_du_ = 1.0 / du_;
    inv_dw_ = 1.0 / dw_;
    GM_ = field.G() * field.particles().total_mass();
    std::vector<FieldPoint> points;
    points.reserve(static_cast<std::size_t>(nR) * nz);
    for (int i = 0; i < nR; ++i)
        for (int k = 0; k < nz; ++k)
            points.push_back({layout.R_soft * std::sinh(i * du_), layout.z_soft * std::sinh(k * dw_)});
    const std::vector<FieldValue> values = field.particles().evaluate_blocked(points, threads);
    nodes_.resize(values.size());
    for (std::size_t j = 0; j < values.size(); ++j) {
        nodes_[j].a_R = field.G() * values[j].a_R;
        // On the plane the mirrored deposit pulls neither way; the sum's rounding would.
        nodes_[j].a_z = points[j].z == 0.0 ? 0.0 : field.G() * values[j].a_z;
    }
}

Acceleration FieldTable::particles_at(double R, double z) const {
    const double az_sign = z < 0.0 ? -1.0 : 1.0;
    z = std::fabs(z);
    // Beyond the grid (and for a NaN, which the cell index must never see).
    if (!(R <= layout_.R_max && z <= layout_.z_max)) {
        const double r2 = R * R + z * z;
        const double g = -GM_ / (r2 * std::sqrt(r2));
        return {g * R, az_sign * g * z};
    }
    const int nR = layout_.radial_nodes, nz = layout_.vertical_nodes;
    int i, k;
    double t, s;
    locate(asinh_positive(R / layout_.R_soft) * inv_du_, nR, i, t);
    locate(asinh_positive(z / layout_.z_soft) * inv_dw_, nz, k, s);
    const Cubic cu(t), cw(s);
    double aR = 0.0, az = 0.0;
    if (i >= 1 && i + 2 < nR && k >= 1 && k + 2 < nz) {
        // Inside: the 4 x 4 nodes as they are.
        for (int a = 0; a < 4; ++a) {
            const Acceleration* row = &nodes_[static_cast<std::size_t>(i - 1 + a) * nz + (k - 1)];
            double row_R = 0.0, row_z = 0.0;
            for (int b = 0; b < 4; ++b) {
                row_R += cw.w[b] * row[b].a_R;
                row_z += cw.w[b] * row[b].a_z;
            }
            aR += cu.w[a] * row_R;
            az += cu.w[a] * row_z;
        }
        return {aR, az_sign * az};
    }
    for (int a = 0; a < 4; ++a) {
        int ii = i - 1 + a;
        // Across the axis a_R changes sign, a_z does not; beyond the last node, continue linearly.
        double sign_R = 1.0;
        if (ii < 0) { ii = -ii; sign_R = -1.0; }
        double row_R = 0.0, row_z = 0.0;
        for (int b = 0; b < 4; ++b) {
            int kk = k - 1 + b;
            double sign_z = 1.0;
            if (kk < 0) { kk = -kk; sign_z = -1.0; }
            double vR, vz;
            if (ii < nR && kk < nz) {
                const std::size_t c = static_cast<std::size_t>(ii) * nz + kk;
                vR = nodes_[c].a_R;
                vz = nodes_[c].a_z;
            } else {
                const int i1 = std::min(ii, nR - 1), k1 = std::min(kk, nz - 1);
                const int i0 = ii < nR ? ii : nR - 2, k0 = kk < nz ? kk : nz - 2;
                const std::size_t c1 = static_cast<std::size_t>(i1) * nz + k1, c0 = static_cast<std::size_t>(i0) * nz + k0;
                vR = 2.0 * nodes_[c1].a_R - nodes_[c0].a_R;
                vz = 2.0 * nodes_[c1].a_z - nodes_[c0].a_z;
            }
            // a_R is even in z, a_z odd.
            row_R += cw.w[b] * vR;
            row_z += cw.w[b] * sign_z * vz;
        }
        aR += cu.w[a] * sign_R * row_R;
        az += cu.w[a] * row_z;
    }
    return {aR, az_sign * az};
}

Acceleration FieldTable::at(double R, double z) const {
    Acceleration a = particles_at(R, z);
    if (halo_.present()) {
        const Acceleration h = halo_acceleration(halo_, G_, R, z);
        a.a_R += h.a_R;
        a.a_z += h.a_z;
    }
    return a;
}

}  // namespace galtk::galvel
