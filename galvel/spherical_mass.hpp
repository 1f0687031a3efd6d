// The spherically averaged mass of a group of particles: the mass inside a radius and
// the potential of the spherical average,
//   Phi(r) = -G [ M(<r) / r + sum over particles beyond r of m_j / r_j ],
// tabulated on fine geometric shells (4096 from 1e-6 of the outermost radius outwards)
// and interpolated linearly inside a shell.
#pragma once

#include <vector>

namespace galtk::galvel {

class SphericalMass {
public:
    static constexpr int shells = 4096;

    explicit SphericalMass(double r_max);

    void add(double r, double mass);
    // Call once after the last add().
    void finish();

    double mass(double r) const;
    // Potential for G = 1.
    double potential(double r) const;
    double total() const { return inside_.empty() ? 0.0 : inside_.back(); }

private:
    double edge(int k) const;           // inner edge of shell k (edge(0) = 0)
    int shell_of(double r) const;

    double r_min_;
    double log_min_;
    double inv_dlog_;
    std::vector<double> shell_mass_;
    std::vector<double> shell_over_r_;  // sum of m / r in the shell
    std::vector<double> inside_;        // mass inside edge k, k = 0..shells
    std::vector<double> outside_;       // sum of m / r beyond edge k
};

}  // namespace galtk::galvel
