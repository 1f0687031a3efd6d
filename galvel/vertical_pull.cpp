#include "vertical_pull.hpp"

#include <algorithm>
#include <cmath>

namespace galtk::galvel {

namespace {

// Index and weight of coordinate f (in node units) between nodes i and i + 1, clamped.
void bracket(double f, int nodes, int& i, double& w) {
    if (!(f > 0.0)) {
        i = 0;
        w = 0.0;
    } else if (f >= nodes - 1) {
        i = nodes - 2;
        w = 1.0;
    } else {
        i = static_cast<int>(f);
        w = f - i;
    }
}

}  // namespace

VerticalPull::VerticalPull(const ModelField& field, double r_lo, double r_hi, double z_max, double z0, int threads) {
    r_hi = std::max(r_hi, 1.000001 * r_lo);
    ln_lo_ = std::log(r_lo);
    d_ln_ = (std::log(r_hi) - ln_lo_) / (radial_nodes - 1);
    s_ = z0 > 0.0 ? 0.25 * z0 : std::max(1e-3 * r_hi, z_max * 1e-3);
    dw_ = std::max(std::asinh(std::max(z_max, s_) / s_), 1e-6) / (height_nodes - 1);
    std::vector<FieldPoint> points;
    points.reserve(radial_nodes * height_nodes);
    for (int i = 0; i < radial_nodes; ++i)
        for (int k = 0; k < height_nodes; ++k)
            points.push_back({std::exp(ln_lo_ + i * d_ln_), s_ * std::sinh(k * dw_)});
    const std::vector<FieldValue> v = field.evaluate_blocked(points, threads);
    a_z_.resize(v.size());
    for (std::size_t j = 0; j < v.size(); ++j) a_z_[j] = v[j].a_z;
}

double VerticalPull::a_z(double R, double z) const {
    int i, k;
    double wr, wz;
    bracket(R > 0.0 ? (std::log(R) - ln_lo_) / d_ln_ : -1.0, radial_nodes, i, wr);
    bracket(std::asinh(std::fabs(z) / s_) / dw_, height_nodes, k, wz);
    const double* a = &a_z_[static_cast<std::size_t>(i) * height_nodes + k];
    const double lower = (1.0 - wz) * a[0] + wz * a[1];
    const double upper = (1.0 - wz) * a[height_nodes] + wz * a[height_nodes + 1];
    const double value = (1.0 - wr) * lower + wr * upper;
    return z < 0.0 ? -value : value;
}

}  // namespace galtk::galvel
