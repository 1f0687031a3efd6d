#include "vertical_pull.hpp"

#include <algorithm>
#include <cmath>

namespace galtk::galvel {

namespace {

// Index i and weight w of x between nodes[i] and nodes[i + 1] (ascending), clamped.
void bracket(const std::vector<double>& nodes, double x, std::size_t& i, double& w) {
    const auto it = std::upper_bound(nodes.begin(), nodes.end(), x);
    if (it == nodes.begin()) {
        i = 0;
        w = 0.0;
    } else if (it == nodes.end()) {
        i = nodes.size() - 2;
        w = 1.0;
    } else {
        i = static_cast<std::size_t>(it - nodes.begin()) - 1;
        w = (x - nodes[i]) / (nodes[i + 1] - nodes[i]);
    }
}

}  // namespace

VerticalPull::VerticalPull(const VerticalBalance& b) {
    for (double R : b.pull_radii) ln_R_.push_back(std::log(R));
    heights_.push_back(0.0);
    heights_.insert(heights_.end(), b.pull_heights.begin(), b.pull_heights.end());
    const std::size_t m = b.pull_heights.size();
    for (std::size_t i = 0; i < b.pull_radii.size(); ++i) {
        a_z_.push_back(0.0);
        a_z_.insert(a_z_.end(), b.pull_a_z.begin() + i * m, b.pull_a_z.begin() + (i + 1) * m);
    }
    if (ln_R_.size() == 1) {   // one radius: the same column on both sides
        ln_R_.push_back(ln_R_[0] + 1.0);
        a_z_.insert(a_z_.end(), a_z_.begin(), a_z_.end());
    }
}

double VerticalPull::a_z(double R, double z) const {
    if (ln_R_.empty() || heights_.size() < 2) return 0.0;
    std::size_t i, k;
    double wr, wz;
    bracket(ln_R_, R > 0.0 ? std::log(R) : -HUGE_VAL, i, wr);
    bracket(heights_, std::fabs(z), k, wz);
    const std::size_t m = heights_.size();
    const double* a = &a_z_[i * m + k];
    const double inner = (1.0 - wz) * a[0] + wz * a[1];
    const double outer = (1.0 - wz) * a[m] + wz * a[m + 1];
    const double value = (1.0 - wr) * inner + wr * outer;
    return z < 0.0 ? -value : value;
}

}  // namespace galtk::galvel
