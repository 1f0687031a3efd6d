// galvel's gravity: the analytic halo, the halo option's text, and the particles'
// mid-plane field against a direct summation.
#include <cmath>
#include <numbers>

#include "galvel_models.hpp"
#include "elliptic.hpp"
#include "halo.hpp"
#include "ring_field.hpp"

namespace galtk::test {
namespace {

using namespace galtk::galvel;

constexpr double pi = std::numbers::pi;

TEST(GalvelHalo, ParsesBothKindsAndRefusesEveryBadField) {
    HaloParameters s;
    EXPECT_EQ(parse_halo("hernquist:5:10", s), "");
    EXPECT_EQ(s.kind, HaloKind::hernquist);
    EXPECT_EQ(s.mass, 5.0);
    EXPECT_EQ(s.a, 10.0);
    EXPECT_EQ(parse_halo("nfw:100:200:1.5e1", s), "");
    EXPECT_EQ(s.kind, HaloKind::nfw);
    EXPECT_EQ(s.r200, 200.0);
    EXPECT_EQ(s.c, 15.0);
    for (const char* bad : {"plummer:1:1", "", "hernquist", "hernquist:1", "hernquist:1:2:3", "hernquist:0:1",
                            "hernquist:1:-1", "hernquist:nan:1", "hernquist:1:inf", "hernquist:1:1x", "nfw:1:2",
                            "nfw:1:2:0", "nfw:1e999:2:3", "nfw::2:3"}) {
        HaloParameters t;
        EXPECT_NE(parse_halo(bad, t), "") << bad;
        EXPECT_EQ(t.kind, HaloKind::none) << bad;
    }
}

// Mass, density and potential of each profile agree with each other: dM/dr = 4 pi r^2 rho
// and dPhi/dr = G M / r^2, numerically; the NFW potential is continuous at r200.
TEST(GalvelHalo, MassDensityAndPotentialAreOneProfile) {
    HaloParameters h, n;
    ASSERT_EQ(parse_halo("hernquist:3:2", h), "");
    ASSERT_EQ(parse_halo("nfw:10:50:8", n), "");
    for (const HaloParameters& params : {h, n}) {
        const AnalyticHalo halo(params, 2.0);
        for (double r : {0.01, 0.3, 1.0, 4.0, 20.0, 49.0}) {
            const double d = 1e-5 * r;
            const double dm = (halo.mass(r + d) - halo.mass(r - d)) / (2 * d);
            const double dphi = (halo.potential(r + d) - halo.potential(r - d)) / (2 * d);
            EXPECT_NEAR(dm / (4 * pi * r * r * halo.density(r)), 1.0, 1e-6) << r;
            EXPECT_NEAR(dphi / (2.0 * halo.mass(r) / (r * r)), 1.0, 1e-6) << r;
        }
    }
    const AnalyticHalo nfw(n, 1.0);
    EXPECT_NEAR(nfw.potential(50.0 * (1 - 1e-12)), -10.0 / 50.0, 1e-9);
    EXPECT_EQ(nfw.mass(60.0), 10.0);
    EXPECT_EQ(nfw.density(60.0), 0.0);
    EXPECT_NEAR(AnalyticHalo(h, 1.0).mass(2.0 * (1 + std::sqrt(2.0))), 1.5, 1e-12);  // half-mass radius
}

// The azimuthally averaged mid-plane force of softened point masses, summed directly over
// the particles at 64 azimuths of the field point.
double direct_force(const ParticleSet& set, double R, double eps) {
    constexpr int azimuths = 64;
    double sum = 0.0;
    for (int k = 0; k < azimuths; ++k) {
        const double phi = 2 * pi * (k + 0.5) / azimuths;
        const double x = R * std::cos(phi), y = R * std::sin(phi);
        for (std::size_t j = 0; j < set.size(); ++j) {
            const double dx = set.pos[j].x - x, dy = set.pos[j].y - y, dz = set.pos[j].z;
            const double d2 = dx * dx + dy * dy + dz * dz + eps * eps;
            // radial component of the force towards the particle
            sum += set.mass[j] * (dx * std::cos(phi) + dy * std::sin(phi)) / (d2 * std::sqrt(d2));
        }
    }
    return sum / azimuths;
}

// The same as a sum of exact ring fields, one per particle (no grid): for a thin, lightly
// softened disk 64 azimuths no longer sample the azimuthal average.
double direct_ring_force(const ParticleSet& set, double R, double eps) {
    double sum = 0.0;
    for (std::size_t j = 0; j < set.size(); ++j) {
        const double a = std::hypot(double(set.pos[j].x), double(set.pos[j].y));
        const double zeta2 = double(set.pos[j].z) * set.pos[j].z + eps * eps;
        const double D2 = (R + a) * (R + a) + zeta2, near2 = (R - a) * (R - a) + zeta2, D = std::sqrt(D2);
        const auto ke = elliptic_ke(4.0 * a * R / D2, near2 / D2);
        sum += set.mass[j] / D * ((a * a - R * R + zeta2) / near2 * ke.E - ke.K);
    }
    return sum / (pi * R);
}

// A thick, well softened disk with a bulge against point forces at 64 azimuths; a thin,
// lightly softened one (the ring grid's radial step then follows the typical height)
// against exact rings, one per particle.
TEST(GalvelField, MidPlaneForceAgreesWithDirectSummationWithinOnePercent) {
    for (const auto& [z0, eps] : {std::pair{0.1, 0.08f}, std::pair{0.01, 0.01f}}) {
        ModelRecipe recipe;
        recipe.disk = 20000;
        recipe.bulge = 5000;
        recipe.z0 = z0;
        recipe.softening = eps;
        const ParticleSet set = make_model(recipe);
        RingGridShape shape;
        for (std::size_t j = 0; j < set.size(); ++j) {
            const Vec3& p = set.pos[j];
            shape.r_max = std::max(shape.r_max, std::hypot(double(p.x), double(p.y)));
            shape.zeta_max = std::max(shape.zeta_max, std::hypot(double(p.z), double(eps)));
        }
        shape.zeta_typical = std::hypot(z0 * std::atanh(0.5), double(eps));
        RingField field(shape);
        for (std::size_t j = 0; j < set.size(); ++j) {
            const Vec3& p = set.pos[j];
            field.add(std::hypot(double(p.x), double(p.y)), std::hypot(double(p.z), double(eps)), set.mass[j]);
        }
        const std::vector<double> radii = {0.5, 0.75, 1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0};
        std::vector<double> force, potential, force1, potential1;
        field.evaluate(radii, force, potential, 2);
        field.evaluate(radii, force1, potential1, 1);
        EXPECT_EQ(force, force1);   // the thread count does not change a bit
        for (std::size_t i = 0; i < radii.size(); ++i) {
            const double direct = z0 > 0.05 ? direct_force(set, radii[i], eps) : direct_ring_force(set, radii[i], eps);
            EXPECT_NEAR(force[i] / direct, 1.0, 0.01) << "z0 " << z0 << " R " << radii[i];
        }
    }
}

// Far from a ring its force and potential are those of a point mass.
TEST(GalvelField, RingFarAwayActsAsAPointMass) {
    RingField field({1.0, 0.01});
    field.add(1.0, 0.0, 2.0);
    std::vector<double> force, potential;
    field.evaluate({1000.0}, force, potential, 1);
    EXPECT_NEAR(force[0] / (-2.0 / 1e6), 1.0, 1e-6);
    EXPECT_NEAR(potential[0] / (-2.0 / 1000.0), 1.0, 1e-6);
}

}  // namespace
}  // namespace galtk::test
