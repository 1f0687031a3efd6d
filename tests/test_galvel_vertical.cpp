// galvel's field off the mid-plane against direct summation over the particles.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "elliptic.hpp"
#include "energy.hpp"
#include "field.hpp"
#include "galvel_models.hpp"
#include "options.hpp"
#include "refusal.hpp"
#include "vertical_jeans.hpp"
#include "vertical_pull.hpp"

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

// Under --vertical jeans the disk's Clausius virial sum m z a_z takes a_z from the model's
// field (as the vertical balance summed it): against the direct ring sum of the mirrored model at every tenth disk
// particle, within 2%. The sheet's a_z (-2 pi G Sigma tanh(z/z0)) of this softened model
// differs by far more.
TEST(GalvelOffPlaneField, DiskVirialInTheFieldAgreesWithDirectSummation) {
    ModelRecipe recipe;
    recipe.disk = 4000;
    recipe.bulge = 1000;
    recipe.softening = 0.05f;
    const ParticleSet set = make_model(recipe);
    FieldLayout layout = field_layout(set, 0, set.size(), recipe.z0);
    layout.mirror = true;
    ParticleField particles(layout);
    add_particles(particles, set, 0, set.size());
    const ModelField field(std::move(particles), nullptr, 1.0);
    const VerticalPull pull(vertical_balance(field, LogGrid(0.02, 8.0, 24).radii(), recipe.z0, 2));

    ParticleSet sample;
    for (std::size_t j = 0; j < recipe.disk; j += 10) {
        sample.resize(sample.size() + 1);
        sample.pos.back() = set.pos[j];
        sample.mass.back() = set.mass[j];
    }
    double direct = 0.0;
    for (std::size_t j = 0; j < sample.size(); ++j) {
        const FieldPoint p{std::hypot(double(sample.pos[j].x), double(sample.pos[j].y)), sample.pos[j].z};
        const double a_z = 0.5 * (ring_sum_az(set, p, recipe.softening) - ring_sum_az(set, {p.R, -p.z}, recipe.softening));
        direct += sample.mass[j] * p.z * a_z;
    }
    ASSERT_LT(direct, 0.0);
    // No radial field and no spherical particles: W is the vertical sum alone.
    DiskTable t;
    t.grid = LogGrid(0.01, 8.0, 16);
    t.vc2.assign(16, 0.0);
    t.sigma.assign(16, 0.0);
    const MassFunction none = [](double) { return 0.0; };
    DiskPull in_field;
    in_field.field = [&](double R, double z) { return pull.a_z(R, z); };
    const Energies e = energies(sample, sample.size(), t, recipe.z0, 1.0, none, none, in_field);
    EXPECT_NEAR(e.virial / direct, 1.0, 0.02);
    EXPECT_EQ(pull.a_z(1.0, -0.1), -pull.a_z(1.0, 0.1));
    // The default's sheet with the model's own Sigma(R) and z0, for contrast.
    t.sigma.clear();
    for (int i = 0; i < 16; ++i)
        t.sigma.push_back(recipe.disk_mass / (2 * pi * recipe.h * recipe.h) * std::exp(-t.grid[i] / recipe.h));
    const Energies sheet = energies(sample, sample.size(), t, recipe.z0, 1.0, none, none);
    EXPECT_GT(std::fabs(sheet.virial / direct - 1.0), 0.05);
    std::printf("field %.4f sheet %.4f\n", e.virial / direct, sheet.virial / direct);
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

// z0 times the integrals of sech^2(x) g(z0 x) and x sech^2(x) g(z0 x) over x >= 0 (the
// mid-plane and column-weighted sigma_z^2) by the trapezoid rule on a fine grid.
template <class Force>
std::pair<double, double> jeans_integrals(double z0, const Force& g) {
    constexpr double dx = 0.005;
    double mid = 0.0, column = 0.0;
    for (int i = 0; i <= 3000; ++i) {
        const double x = i * dx, w = (i == 0 || i == 3000 ? 0.5 : 1.0) * dx / (std::cosh(x) * std::cosh(x));
        mid += w * g(z0 * x);
        column += w * x * g(z0 * x);
    }
    return {z0 * mid, z0 * column};
}

// A disk of surface density sigma(R) and sech^2 height z0 without particle noise, made of
// rings (one particle each: the field is azimuthally averaged) 0.01 apart in R and at 48
// quantiles of the layer in z.
template <class Density>
ParticleSet ring_disk(const Density& sigma, double z0, double radius, float eps) {
    constexpr int heights = 48;
    const int rings = static_cast<int>(radius / 0.01);
    ParticleSet set;
    set.resize(static_cast<std::size_t>(rings) * heights);
    set.softening = {eps};
    std::size_t j = 0;
    for (int i = 0; i < rings; ++i) {
        const double R = (i + 0.5) * 0.01;
        for (int k = 0; k < heights; ++k, ++j) {
            set.pos[j] = {float(R), 0.0f, float(z0 * std::atanh(2.0 * (k + 0.5) / heights - 1.0))};
            set.mass[j] = float(sigma(R) * 2 * pi * R * 0.01 / heights);
            set.type[j] = 0;
        }
    }
    return set;
}

VerticalBalance balance_of(const ParticleSet& set, double z0, const AnalyticHalo* halo, double G,
                           const std::vector<double>& radii) {
    FieldLayout layout = field_layout(set, 0, set.size(), z0);
    layout.mirror = true;
    ParticleField particles(layout);
    add_particles(particles, set, 0, set.size());
    return vertical_balance(ModelField(std::move(particles), halo, G), radii, z0, 2);
}

// A self-gravitating sheet with G = 3.7: with little softening both Jeans values are the
// sheet rule pi G Sigma z0; with the softening of the simulation they follow the softened
// sheet's force 2 pi G Sigma integral n(z') (z - z') / sqrt((z - z')^2 + eps^2) dz'
// (summed here on a fine grid), well below the sheet rule when eps = z0.
TEST(GalvelVerticalJeans, SoftenedSheetMatchesItsDirectSum) {
    const double G = 3.7, sigma = 0.004, z0 = 0.05;
    const std::vector<double> radii = {1.0, 2.0, 3.0};
    for (const double eps : {0.2 * z0, z0}) {
        const VerticalBalance b = balance_of(ring_disk([&](double) { return sigma; }, z0, 20.0, float(eps)), z0, nullptr, G, radii);
        // the layer's normalised density n(z') dz' on a grid of z0 / 100
        std::vector<double> layer_z, layer_w;
        for (int i = -1000; i <= 1000; ++i) {
            const double x = i * 0.01;
            layer_z.push_back(z0 * x);
            layer_w.push_back(0.01 / (2 * std::cosh(x) * std::cosh(x)));
        }
        const auto softened = [&](double z) {
            double sum = 0.0;
            for (std::size_t i = 0; i < layer_z.size(); ++i) {
                const double d = z - layer_z[i];
                sum += layer_w[i] * d / std::sqrt(d * d + eps * eps);
            }
            return 2 * pi * G * sigma * sum;
        };
        const auto [mid, column] = jeans_integrals(z0, softened);
        const double sheet = pi * G * sigma * z0;
        if (eps < z0) {
            EXPECT_NEAR(mid / sheet, 1.0, 0.06);
            EXPECT_NEAR(column / sheet, 1.0, 0.06);
        } else {
            EXPECT_LT(column / sheet, 0.8);
        }
        for (std::size_t i = 0; i < radii.size(); ++i) {
            EXPECT_NEAR(b.sigma_z_midplane[i] * b.sigma_z_midplane[i] / mid, 1.0, 0.015) << eps << " R " << radii[i];
            EXPECT_NEAR(b.sigma_z_column[i] * b.sigma_z_column[i] / column, 1.0, 0.015) << eps << " R " << radii[i];
        }
    }
}

// A disk of negligible mass in a Hernquist halo (G = 0.7): g(z) = G M z / (r (r + a)^2),
// nu^2 = G M / (R (R + a)^2).
TEST(GalvelVerticalJeans, MasslessDiskInHernquistHaloFollowsTheClosedForm) {
    const double G = 0.7, M = 10.0, a = 5.0, z0 = 0.3;
    HaloParameters params;
    ASSERT_EQ(parse_halo("hernquist:10:5", params), "");
    const AnalyticHalo halo(params, G);
    const ParticleSet set = single_particle(1.0, 0.0, 1e-20f, 0.05f);
    const std::vector<double> radii = {0.1, 1.0, 4.0, 12.0};
    const VerticalBalance b = balance_of(set, z0, &halo, G, radii);
    for (std::size_t i = 0; i < radii.size(); ++i) {
        const double R = radii[i];
        const auto g = [&](double z) {
            const double r = std::hypot(R, z);
            return G * M * z / (r * (r + a) * (r + a));
        };
        const auto [mid, column] = jeans_integrals(z0, g);
        EXPECT_NEAR(b.sigma_z_midplane[i] * b.sigma_z_midplane[i] / mid, 1.0, 1e-4) << R;
        EXPECT_NEAR(b.sigma_z_column[i] * b.sigma_z_column[i] / column, 1.0, 1e-4) << R;
        EXPECT_NEAR(b.nu[i] * b.nu[i] / (G * M / (R * (R + a) * (R + a))), 1.0, 1e-3) << R;
    }
}

// Hastings' polynomials against the arithmetic-geometric mean, from a far ring to one
// next to the field point (1 - m down to 1e-12, K large).
TEST(GalvelOffPlaneField, PolynomialEllipticIntegralsAgreeWithTheMean) {
    for (double m1 = 1.0; m1 > 1e-12; m1 *= 0.37) {
        const auto agm = elliptic_ke(1.0 - m1, m1);
        const auto poly = elliptic_ke_polynomial(m1);
        EXPECT_NEAR(poly.K / agm.K, 1.0, 2e-8) << m1;
        EXPECT_NEAR(poly.E / agm.E, 1.0, 2e-8) << m1;
    }
}

// The Jeans values on the whole disk grid, computed at a quarter of its radii and
// interpolated, against the same computed at every radius (an exponential disk without
// particle noise in a Hernquist halo, G = 1.9).
TEST(GalvelVerticalJeans, InterpolatedProfileMatchesTheFullOne) {
    ModelRecipe recipe;
    const ParticleSet set = ring_disk([](double R) { return std::exp(-R) / (2 * pi); }, recipe.z0, 10.0, 0.05f);
    HaloParameters params;
    ASSERT_EQ(parse_halo("hernquist:8:4", params), "");
    const double G = 1.9;
    const AnalyticHalo halo(params, G);
    FieldLayout layout = field_layout(set, 0, set.size(), recipe.z0);
    layout.mirror = true;
    ParticleField particles(layout);
    add_particles(particles, set, 0, set.size());
    const ModelField field(std::move(particles), &halo, G);
    const LogGrid grid(0.02, 7.5, 256);
    std::vector<double> sheet(256);
    for (int i = 0; i < 256; ++i) sheet[i] = std::sqrt(pi * G * std::exp(-grid[i]) / (2 * pi) * recipe.z0);
    std::vector<double> between;   // radii between the computed ones
    for (int i = 2; i < 256; i += 8) between.push_back(grid[i]);
    const VerticalBalance fine = vertical_balance(field, between, recipe.z0, 2);
    const VerticalBalance coarse = vertical_balance_on(field, grid, sheet, recipe.z0, 2);
    for (std::size_t k = 0; k < between.size(); ++k) {
        const int i = 2 + 8 * static_cast<int>(k);
        EXPECT_NEAR(coarse.sigma_z_column[i] / fine.sigma_z_column[k], 1.0, 0.005) << grid[i];
        EXPECT_NEAR(coarse.sigma_z_midplane[i] / fine.sigma_z_midplane[k], 1.0, 0.005) << grid[i];
        EXPECT_NEAR(coarse.nu[i] / fine.nu[k], 1.0, 0.01) << grid[i];
    }
}

TEST(GalvelVerticalJeans, VerticalOptionDefaultsToJeansAndRefusesOtherRules) {
    const auto plain = read_command_line(std::vector<std::string>{"in", "out"});
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->settings.vertical, VerticalRule::jeans);
    const auto sheet = read_command_line(std::vector<std::string>{"in", "out", "--vertical", "sheet"});
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->settings.vertical, VerticalRule::sheet);
    try {
        read_command_line(std::vector<std::string>{"in", "out", "--vertical", "Jeans"});
        ADD_FAILURE() << "accepted --vertical Jeans";
    } catch (const Refusal& e) {
        EXPECT_NE(std::string(e.what()).find("expected jeans or sheet, found Jeans"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace galtk::test
