// A geometric grid of radii and linear interpolation in ln r between its points.
#pragma once

#include <cmath>
#include <vector>

namespace galtk::galvel {

class LogGrid {
public:
    LogGrid() = default;
    LogGrid(double r_lo, double r_hi, int points)
        : log_lo_(std::log(r_lo)), dlog_((std::log(r_hi) - std::log(r_lo)) / (points - 1)) {
        r_.resize(points);
        for (int i = 0; i < points; ++i) r_[i] = std::exp(log_lo_ + i * dlog_);
        r_.back() = r_hi;
    }

    int size() const { return static_cast<int>(r_.size()); }
    double operator[](int i) const { return r_[i]; }
    const std::vector<double>& radii() const { return r_; }
    double ratio() const { return std::exp(dlog_); }

    // Index i and weight t of radius r between points i and i + 1 (t in [0, 1]);
    // clamped to the ends.
    void locate(double r, int& i, double& t) const {
        const double f = r > 0.0 ? (std::log(r) - log_lo_) / dlog_ : -1.0;
        if (!(f > 0.0)) {
            i = 0;
            t = 0.0;
        } else if (f >= size() - 1) {
            i = size() - 2;
            t = 1.0;
        } else {
            i = static_cast<int>(f);
            t = f - i;
        }
    }

    // The value of a tabulated quantity at r.
    double interpolate(const std::vector<double>& values, double r) const {
        int i;
        double t;
        locate(r, i, t);
        return values[i] + t * (values[i + 1] - values[i]);
    }

private:
    double log_lo_ = 0.0;
    double dlog_ = 1.0;
    std::vector<double> r_;
};

}  // namespace galtk::galvel
