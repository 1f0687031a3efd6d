// galvel's disk table against physics computed here, not against galvel's own tables, and
// with G far from 1 so that a lost G shows: a disk of negligible mass in a Hernquist halo
// (vc, Omega, kappa in closed form), the mean rotation against the radial Jeans equation
// it comes from, the isothermal sheet's sigma_z and the disk's own rotation curve against
// direct summation over the particles.
#include <cmath>
#include <numbers>

#include "equilibrium.hpp"
#include "galvel_models.hpp"

namespace galtk::test {
namespace {

using namespace galtk::galvel;

constexpr double pi = std::numbers::pi;
constexpr double G = 4.3;             // not 1: a force without G is off by a factor 4.3
constexpr double halo_M = 10.0, halo_a = 5.0;

// Hernquist's closed forms: vc^2 = G M R / (R + a)^2, Omega = vc / R and
// kappa^2 = R dOmega^2/dR + 4 Omega^2 = G M [3 / (R (R + a)^2) - 2 / (R + a)^3].
double hernquist_vc2(double R) { return G * halo_M * R / ((R + halo_a) * (R + halo_a)); }
double hernquist_kappa2(double R) {
    const double s = R + halo_a;
    return G * halo_M * (3.0 / (R * s * s) - 2.0 / (s * s * s));
}

// A tracer disk (h 1, 1e-4 of the halo's mass in 50,000 particles) in the halo; Q is set
// high enough that sigma_R is a good fraction of vc, so that the asymmetric drift is large.
const DiskTable& tracer_table() {
    static const DiskTable table = [] {
        ModelRecipe recipe;
        recipe.disk = 50000;
        recipe.disk_mass = 1e-3;   // its own pull is 0.1% of vc^2 at most
        ParticleSet set = make_model(recipe);
        Settings s;
        s.halo = {HaloKind::hernquist, halo_M, halo_a, 0.0, 0.0};
        s.G = G;
        s.q = 800.0;
        s.scale_length = 1.0;
        return give_velocities(set, s).disk_table;
    }();
    return table;
}

template <class F>
void over_radii(const DiskTable& t, double lo, double hi, F check) {
    for (int i = 0; i < t.size(); ++i)
        if (t.grid[i] >= lo && t.grid[i] <= hi) check(i, t.grid[i]);
}

TEST(GalvelClosedForms, TracerDiskInAHernquistHaloHasItsVcOmegaAndKappa) {
    const DiskTable& t = tracer_table();
    over_radii(t, 0.3, 6.0, [&](int i, double R) {
        const double vc2 = hernquist_vc2(R);
        EXPECT_NEAR(t.vc2[i] / vc2, 1.0, 2e-3) << "R " << R;
        EXPECT_NEAR(t.omega[i] / (std::sqrt(vc2) / R), 1.0, 2e-3) << "R " << R;
        EXPECT_NEAR(t.kappa[i] / std::sqrt(hernquist_kappa2(R)), 1.0, 5e-3) << "R " << R;
        // sigma_phi from the epicyclic ratio kappa^2 / (4 Omega^2) of the closed forms.
        EXPECT_NEAR(t.sigma_phi[i] / (t.sigma_r[i] * std::sqrt(hernquist_kappa2(R) * R * R / (4.0 * vc2))), 1.0, 5e-3)
            << "R " << R;
    });
}

// The radial Jeans equation of an axisymmetric disk with no mean radial motion (the tilt
// term dropped, as galvel does):
//   mean_vphi^2 = vc^2 - sigma_phi^2 + sigma_R^2 (1 + dln(Sigma sigma_R^2)/dlnR),
// with Sigma the exponential disk's e^(-R/h), vc and sigma_phi from the closed forms, and
// the derivative taken here of ln(Sigma sigma_R^2) along the table's own sigma_R.
TEST(GalvelClosedForms, MeanRotationSolvesTheRadialJeansEquation) {
    const DiskTable& t = tracer_table();
    int checked = 0;
    over_radii(t, 0.6, 4.0, [&](int i, double R) {
        const auto ln_pressure = [&](int k) { return -t.grid[k] + 2.0 * std::log(t.sigma_r[k]); };
        const double dln = (ln_pressure(i + 1) - ln_pressure(i - 1)) / std::log(t.grid[i + 1] / t.grid[i - 1]);
        const double vc2 = hernquist_vc2(R), sr2 = t.sigma_r[i] * t.sigma_r[i];
        const double sphi2 = sr2 * hernquist_kappa2(R) * R * R / (4.0 * vc2);
        const double expected = vc2 - sphi2 + sr2 * (1.0 + dln);
        // The drift itself, 10 to 25% of vc^2 here, within the noise of the smoothed slope.
        if (R < 2.5) EXPECT_NEAR((vc2 - t.mean_vphi[i] * t.mean_vphi[i]) / (vc2 - expected), 1.0, 0.12) << "R " << R;
        ASSERT_GT(expected, 0.5 * vc2) << "R " << R;
        EXPECT_NEAR(t.mean_vphi[i] * t.mean_vphi[i] / expected, 1.0, 0.03) << "R " << R;
        ++checked;
    });
    EXPECT_GT(checked, 50);
}

// The field of softened point masses at (R, 0, z), averaged over 64 azimuths of the field
// point: the outward radial and the upward vertical acceleration (G included).
struct Pull {
    double a_R = 0.0, a_z = 0.0;
};
Pull direct_pull(const ParticleSet& set, double R, double z, double eps) {
    constexpr int azimuths = 64;
    Pull p;
    for (int k = 0; k < azimuths; ++k) {
        const double phi = 2.0 * pi * (k + 0.5) / azimuths, c = std::cos(phi), s = std::sin(phi);
        for (std::size_t j = 0; j < set.size(); ++j) {
            const double dx = set.pos[j].x - R * c, dy = set.pos[j].y - R * s, dz = set.pos[j].z - z;
            const double d2 = dx * dx + dy * dy + dz * dz + eps * eps;
            const double w = G * set.mass[j] / (d2 * std::sqrt(d2) * azimuths);
            p.a_R += w * (dx * c + dy * s);
            p.a_z += w * dz;
        }
    }
    return p;
}

// A self-gravitating disk alone (mass 2, h 1, z0 0.1): its table against its particles.
struct HeavyDisk {
    ParticleSet set;
    DiskTable table;
    double eps = 0.0;
};
const HeavyDisk& heavy_disk() {
    static const HeavyDisk disk = [] {
        HeavyDisk d;
        ModelRecipe recipe;
        recipe.disk = 40000;
        recipe.disk_mass = 2.0;
        recipe.softening = 0.01f;
        d.eps = recipe.softening;
        d.set = make_model(recipe);
        ParticleSet copy = d.set;
        Settings s;
        s.G = G;
        s.scale_length = 1.0;
        d.table = give_velocities(copy, s).disk_table;
        return d;
    }();
    return disk;
}

TEST(GalvelClosedForms, DiskRotationCurveIsTheDirectSumOfItsParticlesPull) {
    const HeavyDisk& d = heavy_disk();
    for (const double R : {0.5, 1.0, 2.0, 4.0}) {
        const double direct = -R * direct_pull(d.set, R, 0.0, d.eps).a_R;
        EXPECT_NEAR(d.table.grid.interpolate(d.table.vc2_disk, R) / direct, 1.0, 0.02) << "R " << R;
    }
}

// The isothermal sheet rho = Sigma / (2 z0) sech^2(z / z0) is in vertical equilibrium with
// sigma_z^2 = rho(0)^-1 int_0^inf rho(z) |a_z(z)| dz; here a_z is summed directly over the
// particles (lightly softened, so that Newton's sheet is what they make) at 48 heights
// up to 8 z0, the sech^2 weight integrated by the midpoint rule in t = tanh(z / z0).
TEST(GalvelClosedForms, SheetSigmaZIsTheVerticalJeansIntegralOfTheParticlesPull) {
    const HeavyDisk& d = heavy_disk();
    const double z0 = 0.1;
    for (const double R : {1.0, 2.0}) {
        // rho(z) dz / rho(0) = sech^2(z / z0) dz = z0 dt.
        constexpr int steps = 32;
        double integral = 0.0;
        for (int k = 0; k < steps; ++k) {
            const double t = (k + 0.5) / steps * std::tanh(8.0);
            integral += z0 * std::tanh(8.0) / steps * -direct_pull(d.set, R, z0 * std::atanh(t), d.eps).a_z;
        }
        const double table = d.table.grid.interpolate(d.table.sigma_z, R);
        // A finite exponential disk is a sheet only locally: 9% apart at 1 h, 4% at 2 h.
        EXPECT_NEAR(table * table / integral, 1.0, 0.15) << "R " << R;
    }
}

}  // namespace
}  // namespace galtk::test
