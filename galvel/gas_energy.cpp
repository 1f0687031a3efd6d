#include "gas_energy.hpp"

#include <cmath>
#include <numbers>

#include "gas_eos.hpp"

namespace galtk::galvel {

Energies gas_energies(const GasParticles& gas, const std::function<double(double)>& vc2) {
    Energies e;
    double v2 = 0.0, u = 0.0, bound = 0.0;
    for (std::size_t j = 0; j < gas.size(); ++j) {
        const Vec3& p = gas.pos[j];
        const Vec3& v = gas.vel[j];
        v2 += double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z;
        u += gas.u[j];
        bound += vc2(std::hypot(double(p.x), double(p.y)));
    }
    const double m = gas.mass;
    e.kinetic = m * (0.5 * v2 + u);
    e.virial = -m * (bound + (adiabatic_index - 1.0) * u);
    return e;
}

namespace {

// F(z) of one column, linear between its nodes, 1 above its top.
double fraction_below(const GasColumn& c, double z) {
    if (c.cumulative.empty() || !(c.dz > 0.0)) return 0.0;
    const double total = c.cumulative.back();
    if (!(total > 0.0)) return 0.0;
    const double f = z / c.dz;
    if (!(f < static_cast<double>(c.cumulative.size() - 1))) return 1.0;
    const std::size_t k = static_cast<std::size_t>(f);
    const double w = f - static_cast<double>(k);
    return ((1.0 - w) * c.cumulative[k] + w * c.cumulative[k + 1]) / total;
}

}  // namespace

double gas_layer_a_z(const GasDisk& disk, double G, double R, double z) {
    const double sigma = disk.surface_density(R);
    if (!(sigma > 0.0) || z == 0.0) return 0.0;
    int i;
    double w;
    disk.grid().locate(R, i, w);
    const double height = std::fabs(z);
    const double F = (1.0 - w) * fraction_below(disk.columns()[i], height) + w * fraction_below(disk.columns()[i + 1], height);
    return -std::copysign(2.0 * std::numbers::pi * G * sigma * F, z);
}

}  // namespace galtk::galvel
