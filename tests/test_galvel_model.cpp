// galvel's velocities on models in memory: the draws against the profiles, Toomre's Q at
// the reference radius, the spherical Jeans equation against the Hernquist sphere's
// closed form, the halo particles, determinism and the refusals.
#include <cmath>
#include <numbers>

#include "equilibrium.hpp"
#include "galvel_models.hpp"
#include "refusal.hpp"

namespace galtk::test {
namespace {

using namespace galtk::galvel;

constexpr double pi = std::numbers::pi;

Settings settings_with_halo(const char* halo) {
    Settings s;
    EXPECT_EQ(parse_halo(halo, s.halo), "");
    return s;
}

double cylindrical(const Vec3& p) { return std::hypot(double(p.x), double(p.y)); }

// Running moments of a normalised deviate.
struct Moments {
    double n = 0, sum = 0, sum2 = 0;
    void add(double g) { n += 1, sum += g, sum2 += g * g; }
    double mean() const { return sum / n; }
    double variance() const { return sum2 / n - mean() * mean(); }
};

// E[v^2 / sigma^2] / 3 of a 3-D Maxwellian of dispersion sigma cut at x sigma:
// int t^4 e^(-t^2/2) / (3 int t^2 e^(-t^2/2)) over (0, x), by Simpson's rule.
double truncated_maxwellian_mean_square(double x) {
    if (x > 12.0) return 1.0;
    constexpr int steps = 400;
    double four = 0.0, two = 0.0;
    for (int i = 0; i <= steps; ++i) {
        const double t = x * i / steps;
        const double w = (i == 0 || i == steps) ? 1.0 : (i % 2 ? 4.0 : 2.0);
        const double e = std::exp(-0.5 * t * t);
        four += w * t * t * t * t * e;
        two += w * t * t * e;
    }
    return four / (3.0 * two);
}

// In radial bins, every drawn component normalised by the table's values at the
// particle's radius is a standard normal deviate: its mean within three standard errors
// (1/sqrt(n)) of 0, its variance within three (sqrt(2/n)) of 1. The mean of v_phi minus
// the table's mean rotation, over sigma_phi, tests the mean rotation.
TEST(GalvelModel, DrawnVelocitiesMatchTheProfileTableInRadialBins) {
    ModelRecipe recipe;
    recipe.disk = 100000;
    recipe.bulge = 20000;
    ParticleSet set = make_model(recipe);
    Settings s = settings_with_halo("hernquist:5:6");
    s.bulge = 20000;
    s.halo_particles = 20000;
    s.seed = 11;
    s.spherical = SphericalMethod::moments;
    const Outcome o = give_velocities(set, s);
    const DiskTable& t = o.disk_table;
    constexpr int bins = 6;   // 0.5 h wide from 0.5 h to 3.5 h
    Moments vr[bins], vphi[bins], vz[bins];
    for (std::size_t j = 0; j < o.disk; ++j) {
        const Vec3& p = set.pos[j];
        const Vec3& v = set.vel[j];
        const double R = cylindrical(p);
        const int b = static_cast<int>((R - 0.5) / 0.5);
        if (R < 0.5 || b >= bins) continue;
        const double c = p.x / R, sn = p.y / R;
        vr[b].add((v.x * c + v.y * sn) / t.grid.interpolate(t.sigma_r, R));
        vphi[b].add((-v.x * sn + v.y * c - t.grid.interpolate(t.mean_vphi, R)) / t.grid.interpolate(t.sigma_phi, R));
        vz[b].add(v.z / t.grid.interpolate(t.sigma_z, R));
    }
    for (int b = 0; b < bins; ++b)
        for (const Moments* m : {&vr[b], &vphi[b], &vz[b]}) {
            ASSERT_GT(m->n, 1000);
            EXPECT_NEAR(m->mean(), 0.0, 3.0 / std::sqrt(m->n)) << "bin " << b;
            EXPECT_NEAR(m->variance(), 1.0, 3.0 * std::sqrt(2.0 / m->n)) << "bin " << b;
        }
    // The spherical components: each Cartesian component over sigma has mean 0 and, as the
    // escape-speed rule cuts the Maxwellian at x = 0.95 v_esc / sigma (near 3 in a
    // Hernquist halo), the mean square of a truncated Maxwellian (test within three
    // standard errors, sqrt(2/n)).
    for (const auto& [first, last, table] :
         {std::tuple{o.disk, o.disk + o.bulge, &*o.bulge_table}, std::tuple{o.disk + o.bulge, set.size(), &*o.halo_table}}) {
        Moments g;
        double expected = 0.0;
        for (std::size_t j = first; j < last; ++j) {
            const Vec3& p = set.pos[j];
            const double r = std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z);
            if (r < table->grid[0] || r > table->grid[table->grid.size() - 1]) continue;
            const double sigma = table->grid.interpolate(table->sigma, r);
            const double limit = 0.95 * std::sqrt(-2.0 * table->grid.interpolate(table->potential, r));
            for (int k = 0; k < 3; ++k) g.add(set.vel[j][k] / sigma);
            expected += 3.0 * truncated_maxwellian_mean_square(limit / sigma);
        }
        ASSERT_GT(g.n, 10000);
        EXPECT_NEAR(g.mean(), 0.0, 3.0 / std::sqrt(g.n));
        EXPECT_NEAR(g.sum2 / g.n, expected / g.n, 3.0 * std::sqrt(2.0 / g.n));
    }
    EXPECT_EQ(o.capped, 0u);
    // Rotation counter-clockwise seen from +z.
    double lz = 0.0;
    for (std::size_t j = 0; j < o.disk; ++j) lz += set.mass[j] * (set.pos[j].x * set.vel[j].y - set.pos[j].y * set.vel[j].x);
    EXPECT_GT(lz, 0.0);
}

TEST(GalvelModel, ToomreQEqualsTheRequestAtTheReferenceRadius) {
    for (const double q : {0.8, 1.5, 3.0}) {
        ParticleSet set = make_model({});
        Settings s = settings_with_halo("nfw:20:40:10");
        s.q = q;
        s.q_radius = 2.0;
        s.scale_length = 1.0;
        const Outcome o = give_velocities(set, s);
        EXPECT_NEAR(o.q_at_reference(), q, 1e-9 * q);
        const DiskTable& t = o.disk_table;
        const double at = t.grid.interpolate(t.sigma_r, 2.0) * t.grid.interpolate(t.kappa, 2.0) /
                          (3.36 * t.grid.interpolate(t.sigma, 2.0));
        EXPECT_NEAR(at, q, 2e-3 * q);
        EXPECT_EQ(o.q_radius, 2.0);
    }
}

// With a disk of negligible mass the halo's dispersion is the closed form of the
// isotropic Hernquist sphere:
//   sigma^2 = G M / (12 a) { 12 r (r + a)^3 / a^4 ln((r + a) / r)
//                            - r / (r + a) [25 + 52 r/a + 42 (r/a)^2 + 12 (r/a)^3] }
TEST(GalvelModel, HaloDispersionIsTheHernquistClosedForm) {
    ModelRecipe recipe;
    recipe.disk = 2000;
    recipe.disk_mass = 1e-9;
    ParticleSet set = make_model(recipe);
    Settings s = settings_with_halo("hernquist:4:2");
    s.G = 3.0;
    const Outcome o = give_velocities(set, s);
    const SphereTable& t = *o.halo_table;
    for (double r : {0.01, 0.1, 0.5, 1.0, 2.0, 5.0, 20.0, 100.0}) {
        const double a = 2.0, x = r / a;
        const double closed = 3.0 * 4.0 / (12.0 * a) *
                              (12.0 * r * std::pow(r + a, 3) / std::pow(a, 4) * std::log((r + a) / r) -
                               r / (r + a) * (25.0 + 52.0 * x + 42.0 * x * x + 12.0 * x * x * x));
        EXPECT_NEAR(t.grid.interpolate(t.sigma, r) / std::sqrt(closed), 1.0, 2e-3) << r;
    }
}

TEST(GalvelModel, HaloParticlesFollowTheProfile) {
    for (const char* option : {"hernquist:2:3", "nfw:2:30:5"}) {
        ParticleSet set = make_model({});
        const std::size_t n_model = set.size();
        Settings s = settings_with_halo(option);
        s.halo_particles = 40000;
        const Outcome o = give_velocities(set, s);
        ASSERT_EQ(set.size(), n_model + 40000);
        // The profile as drawn: NFW tapered beyond r200, Hernquist beyond 100 a.
        const AnalyticHalo halo(o.halo_parameters, 1.0);
        // The mass inside three radii matches the profile within three binomial errors.
        for (const double r : {1.0, 3.0, 10.0}) {
            double inside = 0;
            float max_r = 0;
            for (std::size_t j = n_model; j < set.size(); ++j) {
                const float rj = std::sqrt(set.pos[j].x * set.pos[j].x + set.pos[j].y * set.pos[j].y +
                                           set.pos[j].z * set.pos[j].z);
                inside += rj < r;
                max_r = std::max(max_r, rj);
                EXPECT_EQ(set.type[j], 1);
            }
            const double p = halo.mass(r) / halo.total_mass();
            EXPECT_NEAR(inside / 40000.0, p, 3.0 * std::sqrt(p * (1 - p) / 40000.0)) << option << " r " << r;
            EXPECT_LE(max_r, halo.cutoff());
        }
        EXPECT_EQ(set.mass.back(), float(halo.total_mass() / 40000.0));
        EXPECT_EQ(o.halo, 40000u);
    }
}

TEST(GalvelModel, PositionsMassesAndOrderStayTypesAreSet) {
    ModelRecipe recipe;
    recipe.bulge = 3000;
    ParticleSet set = make_model(recipe);
    const ParticleSet before = set;
    Settings s = settings_with_halo("hernquist:5:6");
    s.bulge = 3000;
    give_velocities(set, s);
    EXPECT_EQ(set.pos, before.pos);
    EXPECT_EQ(set.mass, before.mass);
    for (std::size_t j = 0; j < set.size(); ++j) EXPECT_EQ(set.type[j], j < recipe.disk ? 2 : 3);
}

TEST(GalvelModel, SameSeedSameVelocitiesOtherSeedOthers) {
    auto run = [](std::int32_t seed) {
        ParticleSet set = make_model({});
        Settings s = settings_with_halo("hernquist:5:6");
        s.seed = seed;
        s.halo_particles = 100;
        give_velocities(set, s);
        return set.vel;
    };
    const auto a = run(5);
    EXPECT_EQ(run(5), a);
    EXPECT_NE(run(6), a);
}

TEST(GalvelModel, RefusesModelsItCannotWorkWith) {
    auto refused = [](ParticleSet set, Settings s) {
        try {
            give_velocities(set, s);
        } catch (const Refusal& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    const ParticleSet model = make_model({});
    Settings s;
    s.bulge = model.size() + 1;
    EXPECT_NE(refused(model, s).find("more than"), std::string::npos);
    s.bulge = model.size();
    EXPECT_NE(refused(model, s).find("no disk particle"), std::string::npos);
    s.bulge = 0;
    for (const float bad : {NAN, INFINITY}) {
        ParticleSet broken = model;
        broken.pos[17].y = bad;
        EXPECT_NE(refused(broken, s).find("particle 18: position"), std::string::npos);
    }
    s.q_radius = 100.0;
    EXPECT_NE(refused(model, s).find("--q-radius"), std::string::npos);
    ParticleSet axis = model;
    for (auto& p : axis.pos) p.x = p.y = 0.0f;
    EXPECT_NE(refused(axis, Settings{}).find("no extent"), std::string::npos);
}

}  // namespace
}  // namespace galtk::test
