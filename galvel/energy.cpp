#include "energy.hpp"

#include <cmath>
#include <numbers>

namespace galtk::galvel {

Energies energies(const ParticleSet& set, std::size_t n_disk, const DiskTable& t, double z0, double G,
                  const MassFunction& G_mass_all, const MassFunction& G_mass_spheroids, const DiskPull& pull) {
    Energies e;
    const double r0 = t.grid[0];
    for (std::size_t j = 0; j < set.size(); ++j) {
        const Vec3& p = set.pos[j];
        const Vec3& v = set.vel[j];
        const double m = set.mass[j];
        e.kinetic += 0.5 * m * (double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
        const double R2 = double(p.x) * p.x + double(p.y) * p.y;
        const double r2 = R2 + double(p.z) * p.z;
        if (r2 == 0.0) continue;
        const double r = std::sqrt(r2);
        if (j < n_disk) {
            const double R = std::sqrt(R2);
            int i;
            double w;
            t.grid.locate(R, i, w);
            // R a_R = -vc^2; solid-body inside the table.
            const double vc2 = R < r0 ? t.vc2[0] * R2 / (r0 * r0) : t.vc2[i] + w * (t.vc2[i + 1] - t.vc2[i]);
            if (pull.field) {
                e.virial += m * (-vc2 + p.z * pull.field(R, p.z));
                continue;
            }
            const double sigma = t.sigma[i] + w * (t.sigma[i + 1] - t.sigma[i]);
            const double sheet = z0 > 0.0 ? 2.0 * std::numbers::pi * G * sigma * std::tanh(p.z / z0) : 0.0;
            double a_z = -sheet - G_mass_spheroids(r) * p.z / (r2 * r);
            if (pull.layer) a_z += pull.layer(R, p.z);
            e.virial += m * (-vc2 + p.z * a_z);
        } else {
            e.virial -= m * G_mass_all(r) / r;
        }
    }
    return e;
}

}  // namespace galtk::galvel
