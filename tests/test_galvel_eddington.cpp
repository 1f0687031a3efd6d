// Spherical components from their distribution function: Eddington's formula against the
// closed forms of the Plummer and Hernquist spheres (with G != 1), the speeds galvel draws
// for a Hernquist halo against that f in radial shells, a Hernquist bulge known only by its
// particles, a density no isotropic model can have, and the halo's exponential taper.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "eddington.hpp"
#include "equilibrium.hpp"
#include "galvel_models.hpp"
#include "hernquist_speeds.hpp"
#include "options.hpp"
#include "summary.hpp"
#include "refusal.hpp"

namespace galtk::test {
namespace {

using namespace galtk::galvel;

constexpr double pi = std::numbers::pi;

// A disk of negligible mass, so that the spherical component alone makes the potential.
ModelRecipe massless_disk() {
    ModelRecipe recipe;
    recipe.disk = 2000;
    recipe.disk_mass = 1e-9;
    return recipe;
}

// The self-consistent Plummer sphere, f = 24 sqrt(2) / (7 pi^3) b^2 / (G^5 M^4) E^(7/2),
// its grid ending at 5 b where the density is far from 0, so the boundary term of the
// formula carries the outer part (the result is exact for a density that stays constant
// in Psi beyond the grid; for the true sphere the difference is of second order in
// Psi(5 b) / E: within 5e-4 up to 1.5 b, where leaving the boundary term out costs 5e-3).
TEST(GalvelEddington, PlummerSphereGetsItsClosedForm) {
    const double G = 0.7, M = 3.0, b = 1.3;
    EddingtonInputs in;
    const int n = 1024;
    for (int k = 0; k < n; ++k) {
        const double r = b * 1e-3 * std::pow(5e3, double(k) / (n - 1)), x2 = (r / b) * (r / b);
        in.r.push_back(r);
        in.psi.push_back(G * M / std::sqrt(r * r + b * b));
        in.rho.push_back(3.0 * M / (4.0 * pi * b * b * b) * std::pow(1.0 + x2, -2.5));
        in.slope.push_back(-5.0 * x2 / (1.0 + x2));
        in.curvature.push_back(-10.0 * x2 / ((1.0 + x2) * (1.0 + x2)));
        in.G_mass.push_back(G * M * x2 * (r / b) / std::pow(1.0 + x2, 1.5));
        in.mu.push_back(3.0 / (1.0 + x2));
    }
    const DistributionFunction f(in);
    EXPECT_EQ(f.negative().nodes, 0u);
    for (const double x : {0.01, 0.1, 0.5, 1.0, 1.5}) {
        const double E = G * M / (b * std::sqrt(1.0 + x * x));
        const double closed = 24.0 * std::sqrt(2.0) / (7.0 * pi * pi * pi) * b * b / std::pow(G, 5) / std::pow(M, 4) *
                              std::pow(E, 3.5);
        EXPECT_NEAR(f(E) / closed, 1.0, 5e-4) << "r/b " << x;
    }
    EXPECT_EQ(f(0.5 * in.psi.back()), 0.0);
}

// A hollow shell (a log-normal ring of density around r = 1 in the field of a point mass)
// needs a negative f at the energies of the shell's inside: set to 0 and reported.
TEST(GalvelEddington, HollowShellHasNegativeFSetToZeroAndReported) {
    EddingtonInputs in;
    const int n = 512;
    for (int k = 0; k < n; ++k) {
        const double r = 0.05 * std::pow(400.0, double(k) / (n - 1)), l = std::log(r);
        in.r.push_back(r);
        in.psi.push_back(2.0 / r);
        in.rho.push_back(1e-3 * std::exp(-l * l / 0.02));
        in.slope.push_back(-2.0 * l / 0.02);
        in.curvature.push_back(-2.0 / 0.02);
        in.G_mass.push_back(2.0);
        in.mu.push_back(0.0);
    }
    const DistributionFunction f(in);
    ASSERT_GT(f.negative().nodes, 0u);
    EXPECT_LE(f.negative().lo, f.negative().hi);
    // Inside the shell (r < 1, E > 2) the density rises outwards: there f < 0.
    EXPECT_GT(f.negative().hi, 2.0);
    for (const double v : f.values()) EXPECT_GE(v, 0.0);
}

// The halo's f(E) table against Hernquist's closed form, from 0.01 a to 20 a. The taper
// beyond 100 a lowers Psi inside it by a constant delta (the mass left out), so the tapered
// sphere's f at its Psi(r) is the closed form's at the untapered Psi(r) (its outer part
// changes only the small d^2 rho / d Psi^2 at Psi < Psi(100 a)).
TEST(GalvelEddington, HernquistHaloTableIsTheClosedForm) {
    ParticleSet set = make_model(massless_disk());
    Settings s;
    ASSERT_EQ(parse_halo("hernquist:3:1.5", s.halo), "");
    s.G = 2.5;
    s.halo_particles = 1000;
    const Outcome o = give_velocities(set, s);
    ASSERT_TRUE(o.halo_f.has_value());
    EXPECT_EQ(o.halo_report.negative.nodes, 0u);
    const AnalyticHalo tapered(o.halo_parameters, 2.5), plain(s.halo, 2.5);
    for (const double x : {0.01, 0.1, 0.5, 1.0, 3.0, 10.0, 20.0}) {
        const double r = 1.5 * x;
        EXPECT_NEAR((*o.halo_f)(-tapered.potential(r)) / hernquist_f(-plain.potential(r), 2.5, 3.0, 1.5), 1.0, 3e-3)
            << "r/a " << x;
    }
}

TEST(GalvelEddington, HernquistHaloSpeedsFollowTheClosedFormInShells) {
    const double G = 2.5, M = 3.0, a = 1.5;
    ParticleSet set = make_model(massless_disk());
    const std::size_t first = set.size();
    Settings s;
    ASSERT_EQ(parse_halo("hernquist:3:1.5", s.halo), "");
    s.G = G;
    s.halo_particles = 100000;
    s.seed = 3;
    const Outcome o = give_velocities(set, s);
    EXPECT_EQ(o.halo_report.unsettled, 0u);
    for (const double excess : shell_ks(set, first, G, M, a, 0.0)) EXPECT_LT(excess, 1.0);
    // Isotropic: the mean of each Cartesian component over the speed is 0 within 3 / sqrt(3 n).
    double sum[3] = {};
    for (std::size_t j = first; j < set.size(); ++j) {
        const Vec3& v = set.vel[j];
        const double speed = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
        for (int k = 0; k < 3; ++k) sum[k] += v[k] / speed;
    }
    for (const double m : sum) EXPECT_NEAR(m / 1e5, 0.0, 3.0 / std::sqrt(3e5));
}

// A Hernquist bulge drawn from its own formula (10^5 particles inside 10^4 a): f(E) from
// its smoothed density within 5% of the closed form from 0.2 a to 10 a (97% of the mass is
// outside 0.2 a; inside, with fewer particles, the noise grows), each at the sampled
// sphere's own potential (summed directly over the particles' shells), the closed form
// at the formula's. The smoothing leaves a few per cent of noise; a missing term of
// d^2 rho / d Psi^2 or a wrong potential moves f by far more.
TEST(GalvelEddington, HernquistBulgeFromItsParticlesGetsTheClosedForm) {
    const double G = 0.4, M = 2.0, a = 0.5;
    ModelRecipe recipe = massless_disk();
    recipe.bulge = 100000;
    recipe.bulge_mass = M;
    recipe.bulge_a = a;
    recipe.bulge_cut = 1e4 * a;
    ParticleSet set = make_model(recipe);
    std::vector<double> radii;
    for (std::size_t j = recipe.disk; j < set.size(); ++j) {
        const Vec3& p = set.pos[j];
        radii.push_back(std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z));
    }
    const double m = set.mass.back();
    // Psi(r) = G [M(<r) / r + sum over r_j > r of m / r_j].
    auto psi = [&](double r) {
        double inside = 0.0, outside = 0.0;
        for (const double rj : radii) (rj < r ? inside : outside) += rj < r ? m : m / rj;
        return G * (inside / r + outside);
    };
    Settings s;
    s.bulge = recipe.bulge;
    s.G = G;
    const Outcome o = give_velocities(set, s);
    ASSERT_TRUE(o.bulge_f.has_value());
    EXPECT_EQ(o.bulge_report.unsettled, 0u);
    EXPECT_EQ(o.bulge_report.negative.nodes, 0u);
    double worst = 0.0;
    for (double x = 0.2; x <= 10.0; x *= 1.25) {
        const double ratio = (*o.bulge_f)(psi(a * x)) / hernquist_f(G * M / (a * (1.0 + x)), G, M, a);
        worst = std::max(worst, std::fabs(ratio - 1.0));
    }
    EXPECT_LT(worst, 0.05);
}

// The taper: density and slope continuous at the edge, dM/dr = 4 pi r^2 rho and
// -dPhi/dr = G M / r^2 through it, the mass left out of a Hernquist halo as integrated
// directly, and M(r) unchanged inside the edge.
TEST(GalvelEddington, TaperIsSmoothAndConsistent) {
    const double G = 1.7;
    for (const char* option : {"hernquist:2:3", "nfw:2:30:5"}) {
        HaloParameters p;
        ASSERT_EQ(parse_halo(option, p), "");
        const AnalyticHalo plain(p, G);
        const AnalyticHalo halo(with_taper(p, {true, 0.0, 0.0}), G);
        const double edge = halo.parameters().edge, decay = halo.parameters().decay;
        ASSERT_GT(edge, 0.0);
        EXPECT_NEAR(decay, 0.1 * edge, 1e-12 * edge);
        const double below = edge * (1.0 - 1e-9), above = edge * (1.0 + 1e-9);
        EXPECT_NEAR(halo.density(above) / halo.density(below), 1.0, 1e-6) << option;
        EXPECT_NEAR(halo.log_slope(above) - halo.log_slope(below), 0.0, 1e-6) << option;
        for (const double r : {0.5 * edge, 0.99 * edge}) EXPECT_EQ(halo.mass(r), plain.mass(r));
        for (const double r : {0.3 * edge, 1.05 * edge, 1.5 * edge, 3.0 * edge}) {
            const double d = 1e-4 * r;
            const double dm = (halo.mass(r + d) - halo.mass(r - d)) / (2 * d);
            const double dphi = (halo.potential(r + d) - halo.potential(r - d)) / (2 * d);
            EXPECT_NEAR(dm / (4 * pi * r * r * halo.density(r)), 1.0, 1e-3) << option << " r " << r;
            EXPECT_NEAR(dphi / (G * halo.mass(r) / (r * r)), 1.0, 1e-3) << option << " r " << r;
        }
        EXPECT_NEAR(halo.potential(halo.cutoff() * 2.0), -G * halo.total_mass() / (halo.cutoff() * 2.0), 1e-12);
        // The taper's mass by the midpoint rule on 10^6 steps.
        double taper = 0.0;
        const double end = edge + 60.0 * decay, h = (end - edge) / 1e6;
        for (int i = 0; i < 1000000; ++i) {
            const double r = edge + (i + 0.5) * h;
            taper += 4 * pi * r * r * halo.density(r) * h;
        }
        EXPECT_NEAR(halo.total_mass(), plain.mass(edge) + taper, 1e-6 * halo.total_mass()) << option;
    }
}

TEST(GalvelEddington, HernquistParticlesEndAtTheOuterRadiusWithTheTapersMass) {
    ParticleSet set = make_model({});
    const std::size_t first = set.size();
    Settings s;
    ASSERT_EQ(parse_halo("hernquist:2:0.5", s.halo), "");
    s.halo_particles = 20000;
    s.halo_outer = 4.0;
    const Outcome o = give_velocities(set, s);
    const AnalyticHalo halo(o.halo_parameters, 1.0);
    EXPECT_EQ(o.halo_parameters.edge, 4.0);
    EXPECT_LT(halo.total_mass(), 2.0);
    EXPECT_EQ(set.mass.back(), float(halo.total_mass() / 20000.0));
    double beyond = 0.0, farthest = 0.0;
    for (std::size_t j = first; j < set.size(); ++j) {
        const Vec3& p = set.pos[j];
        const double r = std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z);
        beyond += r > 4.0;
        farthest = std::max(farthest, r);
    }
    const double share = 1.0 - halo.mass(4.0) / halo.total_mass();
    EXPECT_NEAR(beyond / 20000.0, share, 3.0 * std::sqrt(share / 20000.0));
    EXPECT_LT(farthest, halo.cutoff());
}

// --spherical, --halo-outer and --halo-decay reach the settings; the taper's options are
// refused where no taper exists or the decay length is longer than the edge radius.
TEST(GalvelEddington, SphericalAndTaperOptions) {
    auto read = [](std::vector<std::string> more) {
        more.insert(more.begin(), {"in.dat", "out.dat"});
        try {
            return std::pair{read_command_line(more)->settings, std::string()};
        } catch (const Refusal& e) {
            return std::pair{Settings{}, std::string(e.what())};
        }
    };
    EXPECT_EQ(read({}).first.spherical, SphericalMethod::eddington);
    EXPECT_EQ(read({"--spherical", "moments"}).first.spherical, SphericalMethod::moments);
    const auto [taper, none] = read({"--halo", "hernquist:1:2", "--halo-outer", "50", "--halo-decay", "7"});
    EXPECT_EQ(none, "");
    EXPECT_EQ(taper.halo_outer, 50.0);
    EXPECT_EQ(taper.halo_decay, 7.0);
    EXPECT_EQ(with_taper(taper.halo, {false, taper.halo_outer, taper.halo_decay}).edge, 50.0);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--spherical", "maxwell"}, "--spherical: expected eddington or moments, found maxwell"},
        {{"--halo-outer", "5"}, "--halo-outer needs --halo"},
        {{"--halo", "nfw:1:20:5", "--halo-outer", "5"}, "--halo-outer is for a Hernquist halo"},
        {{"--halo", "hernquist:1:2", "--halo-outer", "-5"}, "--halo-outer: expected a positive finite number"},
        {{"--halo", "hernquist:1:2", "--halo-decay", "5"}, "--halo-decay needs a tapered halo"},
        {{"--halo", "nfw:1:20:5", "--halo-decay", "21"}, "--halo-decay: expected at most the taper's edge radius 20, found 21"},
        {{"--halo", "nfw:1:20:5", "--halo-decay", "nan"}, "--halo-decay: expected a positive finite number"},
    };
    for (const auto& [args, expected] : cases) EXPECT_EQ(read(args).second.rfind(expected, 0), 0u) << read(args).second;
    EXPECT_EQ(read({"--halo", "hernquist:1:2", "--halo-particles", "10", "--halo-decay", "5"}).second, "");
}

// The summary says how the spherical components got their speeds, where the halo ends and
// the mass its taper leaves out.
TEST(GalvelEddington, SummaryNamesTheMethodAndTheTaper) {
    ParticleSet set = make_model({});
    Settings s;
    ASSERT_EQ(parse_halo("hernquist:2:0.5", s.halo), "");
    s.halo_particles = 500;
    const Outcome o = give_velocities(set, s);
    const AnalyticHalo halo(o.halo_parameters, 1.0);
    const std::string line = summary_line(o, halo, {"out.dat", "text", 0, std::nullopt});
    EXPECT_NE(line.find("; halo ends at r 50 (tapered, decay 5, mass left out "), std::string::npos) << line;
    EXPECT_NE(line.find("; spherical speeds from f(E)"), std::string::npos) << line;
    EXPECT_EQ(line.find("f(E) < 0"), std::string::npos) << line;
}

}  // namespace
}  // namespace galtk::test
