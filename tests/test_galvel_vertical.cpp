// galvel's field off the mid-plane against direct summation over the particles.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "elliptic.hpp"
#include "field.hpp"
#include "galvel_models.hpp"

namespace galtk::test {
namespace {

using namespace galtk::galvel;

constexpr double pi = std::numbers::pi;

// The field of softened point masses at (R, 0, z), averaged over `azimuths` positions of
// the field point on its circle: plain Newtonian sums, no elliptic integrals.
FieldValue point_sum(const ParticleSet& set, const FieldPoint& p, double eps, int azimuths) {
    FieldValue v;
    for (int k = 0; k < azimuths; ++k) {
        const double phi = 2 * pi * (k + 0.5) / azimuths;
        const double c = std::cos(phi), s = std::sin(phi);
        for (std::size_t j = 0; j < set.size(); ++j) {
            const double dx = set.pos[j].x - p.R * c, dy = set.pos[j].y - p.R * s, dz = set.pos[j].z - p.z;
            const double d2 = dx * dx + dy * dy + dz * dz + eps * eps;
            const double w = set.mass[j] / (d2 * std::sqrt(d2));
            v.potential -= set.mass[j] / std::sqrt(d2);
            v.a_R += w * (dx * c + dy * s);
            v.a_z += w * dz;
        }
    }
    v.potential /= azimuths;
    v.a_R /= azimuths;
    v.a_z /= azimuths;
    return v;
}

// The exact azimuthal average of the same sum: one ring per particle (no grid).
double ring_sum_az(const ParticleSet& set, const FieldPoint& p, double eps) {
    double sum = 0.0;
    for (std::size_t j = 0; j < set.size(); ++j) {
        const double a = std::hypot(double(set.pos[j].x), double(set.pos[j].y));
        const double dz = p.z - set.pos[j].z;
        const double zeta2 = dz * dz + eps * eps;
        const double D2 = (p.R + a) * (p.R + a) + zeta2, d2 = (p.R - a) * (p.R - a) + zeta2;
        const auto ke = elliptic_ke(4.0 * a * p.R / D2, d2 / D2);
        sum -= set.mass[j] * dz * ke.E / (std::sqrt(D2) * d2);
    }
    return 2.0 * sum / pi;
}

ParticleSet single_particle(double x, double z, float mass, float eps) {
    ParticleSet set;
    set.resize(1);
    set.pos[0] = {float(x), 0.0f, float(z)};
    set.mass[0] = mass;
    set.type[0] = 0;
    set.softening = {eps};
    return set;
}

// The ring formulas themselves, against a brute-force average of point forces over 20000
// azimuths, for a softened particle seen from above, below, inside and outside its ring.
TEST(GalvelOffPlaneField, RingOfOneSoftenedParticleIsItsAzimuthalAverage) {
    const ParticleSet set = single_particle(1.3, 0.2, 3.0f, 0.15f);
    FieldLayout layout = field_layout(set, 0, 1, 0.1);
    layout.r_max = 2.55;   // the particle on radial node 130 of 256: no spread in R by the deposit
    ParticleField field(layout);
    add_particles(field, set, 0, 1);
    const std::vector<FieldPoint> points = {{0.4, 0.9}, {2.0, -0.5}, {1.25, 0.25}, {3.0, 0.35}, {0.0, 1.0}};
    const auto values = field.evaluate(points, 2);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const FieldValue direct = point_sum(set, points[i], 0.15, 20000);
        // the deposit splits the particle's height between two nodes: a small second-order spread
        EXPECT_NEAR(values[i].a_z / direct.a_z, 1.0, 2e-3) << i;
        EXPECT_NEAR(values[i].potential / direct.potential, 1.0, 1e-3) << i;
        if (points[i].R > 0.0) EXPECT_NEAR(values[i].a_R / direct.a_R, 1.0, 3e-3) << i;
        else EXPECT_EQ(values[i].a_R, 0.0);
    }
    // On the axis: -m / sqrt(a^2 + dz^2 + eps^2) and its vertical derivative.
    const double r2 = 1.3 * 1.3 + 0.8 * 0.8 + 0.15 * 0.15;
    EXPECT_NEAR(values[4].potential, -3.0 / std::sqrt(r2), 3e-3 * 3.0 / std::sqrt(r2));
}

// The exponential disk (z0 0.1, softening 0.05) with a bulge: the vertical force from
// the grid agrees with the direct sum over the particles within 1% for 0.5 to 5 scale
// heights and 0.5 to 6 scale lengths; the mirrored field is odd in z.
TEST(GalvelOffPlaneField, VerticalForceAgreesWithDirectSummationWithinOnePercent) {
    ModelRecipe recipe;
    recipe.disk = 20000;
    recipe.bulge = 5000;
    recipe.softening = 0.05f;
    const ParticleSet set = make_model(recipe);
    ParticleField field(field_layout(set, 0, set.size(), recipe.z0));
    add_particles(field, set, 0, set.size());
    EXPECT_NEAR(field.total_mass(), recipe.disk_mass + recipe.bulge_mass, 1e-5);
    std::vector<FieldPoint> points;
    for (double R : {0.5, 1.0, 2.0, 3.0, 4.5, 6.0})
        for (double zh : {0.5, 1.0, 2.0, 3.0, 5.0}) points.push_back({R, zh * recipe.z0});
    const auto values = field.evaluate(points, 2);
    EXPECT_EQ(values.size(), points.size());
    double worst = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double direct = ring_sum_az(set, points[i], recipe.softening);
        ASSERT_LT(direct, 0.0);
        worst = std::max(worst, std::fabs(values[i].a_z / direct - 1.0));
        EXPECT_NEAR(values[i].a_z / direct, 1.0, 0.01) << "R " << points[i].R << " z " << points[i].z;
    }
    std::printf("worst vertical force error %.3g%%\n", 100 * worst);
    // point forces at 256 azimuths tell the same where the disk is dense
    const FieldValue direct = point_sum(set, {1.0, 0.1}, recipe.softening, 256);
    EXPECT_NEAR(values[6].a_z / direct.a_z, 1.0, 0.02);

    FieldLayout mirrored = field_layout(set, 0, set.size(), recipe.z0);
    mirrored.mirror = true;
    ParticleField symmetric(mirrored);
    add_particles(symmetric, set, 0, set.size());
    const std::vector<FieldPoint> pair = {{2.0, 0.13}, {2.0, -0.13}, {2.0, 0.0}};
    const auto v = symmetric.evaluate(pair, 1);
    EXPECT_NEAR(v[0].a_z, -v[1].a_z, 1e-9 * std::fabs(v[0].a_z));
    EXPECT_NEAR(v[2].a_z, 0.0, 1e-9 * std::fabs(v[0].a_z));
    EXPECT_NEAR(v[0].potential, v[1].potential, 1e-9 * std::fabs(v[0].potential));
}

// G multiplies the particles' field and the halo adds its closed form: Hernquist's
// Phi = -G M / (r + a), a = -G M r_vec / (r (r + a)^2). The thread count changes no bit.
TEST(GalvelOffPlaneField, ModelFieldAddsTheHaloAndScalesWithG) {
    const ParticleSet set = single_particle(1.0, 0.0, 2.0f, 0.1f);
    HaloParameters params;
    ASSERT_EQ(parse_halo("hernquist:10:5", params), "");
    const double G = 2.5;
    const AnalyticHalo halo(params, G);
    ParticleField particles(field_layout(set, 0, 1, 0.1));
    add_particles(particles, set, 0, 1);
    const std::vector<FieldPoint> points = {{3.0, 4.0}, {0.5, -1.0}, {7.0, 0.3}};
    const auto alone = particles.evaluate(points, 1);
    const ModelField model(std::move(particles), &halo, G);
    const auto one = model.evaluate(points, 1);
    const auto three = model.evaluate(points, 3);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double r = std::hypot(points[i].R, points[i].z);
        const double g = -G * 10.0 / (r * (r + 5.0) * (r + 5.0));
        EXPECT_NEAR(one[i].potential, G * alone[i].potential - G * 10.0 / (r + 5.0), 1e-12);
        EXPECT_NEAR(one[i].a_R, G * alone[i].a_R + g * points[i].R, 1e-12);
        EXPECT_NEAR(one[i].a_z, G * alone[i].a_z + g * points[i].z, 1e-12);
        EXPECT_EQ(one[i].a_z, three[i].a_z);
        EXPECT_EQ(one[i].potential, three[i].potential);
    }
}

}  // namespace
}  // namespace galtk::test
