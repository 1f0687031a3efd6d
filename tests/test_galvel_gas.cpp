// galvel's gas disk against closed forms: the isothermal self-gravitating sheet (sech^2),
// a gas layer in a harmonic external field (Gaussian), a polytrope's finite layer, the
// exponential surface density and the vertical profiles of the drawn particles, the
// pressure-supported rotation, the stars' rotation with the gas's gravity (Freeman's
// formula), the field off the plane against a direct sum, and the smoothing lengths
// against a brute-force neighbour count. G = 2.5 throughout.
#include <algorithm>
#include <numbers>
#include <random>

#include "equilibrium.hpp"
#include "gas_column.hpp"
#include "gas_disk.hpp"
#include "gas_smoothing.hpp"
#include "galvel_models.hpp"
#include "gas_energy.hpp"
#include "gas_equilibrium.hpp"

namespace galtk::galvel {
namespace {

constexpr double G = 2.5;
constexpr double pi = std::numbers::pi;

std::vector<double> harmonic(double nu, double dz, int n) {
    std::vector<double> phi(n);
    for (int k = 0; k < n; ++k) phi[k] = 0.5 * nu * nu * (k * dz) * (k * dz);
    return phi;
}

TEST(GasColumn, SelfGravitatingIsothermalSheetIsSechSquared) {
    const double c2 = 0.04, sigma = 0.3;
    const double z0 = c2 / (pi * G * sigma);
    const int n = 513;
    const double dz = 12.0 * z0 / (n - 1);
    const GasColumn c = solve_column(std::vector<double>(n, 0.0), dz, sigma, GasEos(c2, 1.0), G);
    ASSERT_TRUE(c.converged);
    EXPECT_GT(c.iterations, 2);
    EXPECT_LT(c.iterations, 60);
    EXPECT_NEAR(c.half_height, z0 * std::atanh(0.5), 3e-3 * z0);
    for (double z : {0.0, 0.5 * z0, z0, 2.0 * z0, 4.0 * z0}) {
        const double exact = sigma / (2.0 * z0) / std::pow(std::cosh(z / z0), 2);
        EXPECT_NEAR(c.density_at(z), exact, 5e-3 * sigma / (2.0 * z0)) << z / z0;
    }
}

TEST(GasColumn, LightGasInHarmonicFieldIsGaussianAndHoldsItsColumn) {
    // Self-gravity negligible (tiny Sigma): rho = rho0 exp(-nu^2 z^2 / (2 c^2)).
    const double c2 = 0.01, nu = 2.0, sigma = 1e-8;
    const double s = std::sqrt(c2) / nu;
    const int n = 257;
    const double dz = 8.0 * s / (n - 1);
    const GasColumn c = solve_column(harmonic(nu, dz, n), dz, sigma, GasEos(c2, 1.0), G);
    ASSERT_TRUE(c.converged);
    EXPECT_NEAR(c.rho0(), sigma / (std::sqrt(2.0 * pi) * s), 1e-3 * c.rho0());
    EXPECT_NEAR(c.half_height, 0.6744897502 * s, 2e-3 * s);
    EXPECT_NEAR(c.height_of(0.9), 1.644853627 * s, 3e-3 * s);
}

TEST(GasColumn, PolytropeEndsWhereTheEnthalpyRunsOut) {
    // gamma 2 in a harmonic field, normalised at its own mid-plane density:
    // rho = rho0 (1 - z^2 / Z^2), Z^2 = 2 w0 / nu^2, w0 = 2 c^2; column 4/3 rho0 Z.
    const double c2 = 0.01, nu = 2.0, sigma = 1e-8;
    const double Z = std::sqrt(4.0 * c2) / nu;
    const int n = 401;
    const double dz = 2.0 * Z / (n - 1);
    const GasColumn c = solve_column(harmonic(nu, dz, n), dz, sigma, GasEos(c2, 2.0), G, true);
    ASSERT_TRUE(c.converged);
    EXPECT_NEAR(c.rho0(), sigma / (4.0 / 3.0 * Z), 2e-3 * c.rho0());
    EXPECT_EQ(c.density_at(1.01 * Z), 0.0);
    EXPECT_NEAR(c.density_at(0.5 * Z), 0.75 * c.rho0(), 2e-3 * c.rho0());
}

// A field of constant vertical frequency nu (a uniform background), no radial force.
VerticalField uniform_background(double nu) {
    return [nu](const std::vector<double>& R, const std::vector<double>& z, std::vector<double>& dphi,
                std::vector<double>& slope) {
        dphi.resize(R.size());
        slope.resize(R.size());
        for (std::size_t j = 0; j < R.size(); ++j) {
            dphi[j] = 0.5 * nu * nu * z[j] * z[j];
            slope[j] = nu * nu * z[j];
        }
    };
}

GasParameters gas_parameters(double mass, double h, std::size_t particles) {
    GasParameters p;
    p.present = true;
    p.mass = mass;
    p.scale_length = h;
    p.particles = particles;
    return p;
}

TEST(GasDisk, DrawnParticlesFollowTheExponentialAndTheSechSquaredLayers) {
    // Self-gravity dominates (a weak background): each annulus is a sech^2 sheet with
    // z0 = c^2 / (pi G Sigma(R)).
    const double h = 1.5, mass = 2.0, c2 = 0.02, r_max = 6.0 * h;
    const GasDisk disk(gas_parameters(mass, h, 0), r_max, c2, G, uniform_background(1e-3));
    EXPECT_GT(disk.iterations(), 2);
    Deviates random(11);
    const std::size_t n = 200000;
    const GasParticles g = draw_gas_particles(disk, n, random);
    ASSERT_EQ(g.size(), n);
    EXPECT_FLOAT_EQ(g.mass, static_cast<float>(mass / n));
    const double norm = 1.0 - (1.0 + r_max / h) * std::exp(-r_max / h);
    for (double R0 : {0.5 * h, 1.0 * h, 2.0 * h, 3.5 * h}) {
        const double R1 = R0 + 0.25 * h;
        std::vector<double> heights;
        for (const Vec3& p : g.pos) {
            const double R = std::hypot(double(p.x), double(p.y));
            if (R >= R0 && R < R1) heights.push_back(std::fabs(p.z));
        }
        // The annulus's share of the mass: (1 + x) e^-x between the edges.
        auto inside = [&](double R) { return 1.0 - (1.0 + R / h) * std::exp(-R / h); };
        const double expected = n * (inside(R1) - inside(R0)) / norm;
        EXPECT_NEAR(double(heights.size()), expected, 4.0 * std::sqrt(expected)) << R0;
        std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
        const double median = heights[heights.size() / 2];
        // The mid-annulus Sigma; sech^2's median |z| is z0 atanh(1/2). The annulus spans a
        // range of z0 (e^{R/h} over a quarter scale length): 5% allowed.
        const double Rm = 0.5 * (R0 + R1);
        const double z0 = c2 / (pi * G * disk.surface_density(Rm));
        EXPECT_NEAR(median, z0 * std::atanh(0.5), 0.05 * z0) << R0;
    }
    for (std::size_t j = 0; j < n; j += 997) {
        EXPECT_FLOAT_EQ(g.u[j], static_cast<float>(1.5 * c2));
        EXPECT_GT(g.density[j], 0.0f);
    }
}

TEST(GasDisk, RadiusOfInvertsTheMassFractionAsTheBisectionDid) {
    // The radius holding fraction u, against 60 bisection steps on the same mass fraction
    // (how galvel found it before): equal to rounding, the same as a float (the positions
    // written) over ran1's range [2^-31, 1), and never decreasing with u. Below that the
    // bisection's last step, r_max 2^-60, is coarser than the radius itself.
    const double h = 1.5, r_max = 6.0 * h;
    const GasDisk disk(gas_parameters(2.0, h, 0), r_max, 0.02, G, uniform_background(1e-3));
    auto bisect = [&](double u) {
        double lo = 0.0, hi = r_max;
        for (int step = 0; step < 60; ++step) {
            const double mid = 0.5 * (lo + hi);
            (disk.mass_fraction(mid) < u ? lo : hi) = mid;
        }
        return 0.5 * (lo + hi);
    };
    std::vector<double> fractions = {1e-300, 1e-12, 1e-7, 1e-3, 0.5, 0.999, 1.0 - 1e-9, 1.0 - 1e-16, 0.0, 1.0};
    std::mt19937_64 gen(21);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (int j = 0; j < 20000; ++j) fractions.push_back(uniform(gen));
    std::size_t float_differs = 0;
    for (double u : fractions) {
        const double R = disk.radius_of(u), expected = bisect(u);
        EXPECT_NEAR(R, expected, 1e-13 * expected + 1e-16 * r_max) << u;
        if (u >= 0x1p-31) float_differs += static_cast<float>(R) != static_cast<float>(expected);
    }
    EXPECT_EQ(float_differs, 0u);
    std::sort(fractions.begin(), fractions.end());
    for (std::size_t j = 1; j < fractions.size(); ++j)
        EXPECT_LE(disk.radius_of(fractions[j - 1]), disk.radius_of(fractions[j])) << fractions[j];
}

TEST(GasDisk, RotationLosesThePressureGradient) {
    // Light gas in a uniform background: rho0 = Sigma / (sqrt(2 pi) c / nu) falls as
    // e^{-R/h}, so v_phi^2 = vc^2 - c^2 R / h; with vc^2 = 1 it vanishes beyond R = h / c^2.
    const double h = 1.0, c2 = 0.25;
    GasDisk disk(gas_parameters(1e-7, h, 0), 8.0 * h, c2, G, uniform_background(3.0));
    disk.set_rotation(std::vector<double>(disk.grid().size(), 1.0));
    for (int i = 2; i < disk.grid().size() - 2; ++i) {
        const double R = disk.grid()[i];
        const double v2 = std::max(1.0 - c2 * R / h, 0.0);
        EXPECT_NEAR(disk.rotation_table()[i], std::sqrt(v2), 0.01) << R;
    }
    EXPECT_NEAR(disk.no_rotation_lo, h / c2, 0.15 * h / c2);
    EXPECT_DOUBLE_EQ(disk.no_rotation_hi, 8.0 * h);
    // Drawn velocities are the rotation about +z, nothing radial or vertical.
    Deviates random(3);
    const GasParticles g = draw_gas_particles(disk, 2000, random);
    for (std::size_t j = 0; j < g.size(); ++j) {
        const Vec3& p = g.pos[j];
        const Vec3& v = g.vel[j];
        const double R = std::hypot(double(p.x), double(p.y));
        EXPECT_NEAR(double(p.x) * v.x + double(p.y) * v.y, 0.0, 1e-5 * R);
        EXPECT_EQ(v.z, 0.0f);
        EXPECT_NEAR(double(p.x) * v.y - double(p.y) * v.x, R * disk.rotation(R), 1e-5 * R + 1e-6);
    }
}

TEST(GasDisk, SameSeedSameParticlesOtherSeedOthers) {
    const GasDisk disk(gas_parameters(1.0, 1.0, 0), 6.0, 0.02, G, uniform_background(1.0));
    Deviates a(5), b(5), c(6);
    const GasParticles first = draw_gas_particles(disk, 100, a), second = draw_gas_particles(disk, 100, b),
                       other = draw_gas_particles(disk, 100, c);
    EXPECT_EQ(first.pos, second.pos);
    EXPECT_NE(first.pos, other.pos);
}

TEST(GasDisk, ParticlesFromStoredUniformsAreTheDrawnOnesOnAnyThreadCount) {
    const GasDisk disk(gas_parameters(1.0, 1.0, 0), 6.0, 0.02, G, uniform_background(1.0));
    // (ran1's shuffle table is one per program: each stream runs to its end before the
    // next is started.)
    Deviates a(8);
    const GasParticles drawn = draw_gas_particles(disk, 5000, a);
    const double after_draw = a.uniform();
    // The stored uniforms are the stream's values exactly, and the stream goes on after
    // them as after the draw.
    Deviates b(8);
    const std::vector<float> u = draw_gas_uniforms(5000, b);
    ASSERT_EQ(u.size(), 15000u);
    EXPECT_EQ(b.uniform(), after_draw);
    Deviates c(8);
    for (float value : u) ASSERT_EQ(double(value), c.uniform());
    for (int threads : {1, 2, 7}) {
        const GasParticles made = gas_particles_from(disk, u, threads);
        EXPECT_EQ(made.pos, drawn.pos) << threads;
        EXPECT_EQ(made.vel, drawn.vel) << threads;
        EXPECT_EQ(made.u, drawn.u) << threads;
        EXPECT_EQ(made.density, drawn.density) << threads;
        EXPECT_EQ(made.mass, drawn.mass) << threads;
    }
    // The first particle by hand: R holds the fraction u1 of the mass, z below the plane
    // for u2 < 1/2, phi = 2 pi u3.
    const double R = std::hypot(double(drawn.pos[0].x), double(drawn.pos[0].y));
    EXPECT_NEAR(disk.mass_fraction(R), u[0], 1e-6);
    EXPECT_EQ(drawn.pos[0].z < 0.0f, u[1] < 0.5f);
    const double phi = std::atan2(double(drawn.pos[0].y), double(drawn.pos[0].x));
    EXPECT_NEAR(std::remainder(phi - 2.0 * pi * u[2], 2.0 * pi), 0.0, 1e-5);
}

// A smooth disk as rings on a fine lattice in (R, z): Sigma ~ e^{-R/h}, sech^2 layers of
// z0 = 0.2 h (h = 1), out to R = 8 and |z| = 1.
struct Lattice {
    std::vector<double> a, z, m;
};

Lattice smooth_disk() {
    Lattice l;
    const double dR = 0.004, dz = 0.01;
    for (double R = 0.5 * dR; R < 8.0; R += dR)
        for (double z = -1.0 + 0.5 * dz; z < 1.0; z += dz) {
            l.a.push_back(R);
            l.z.push_back(z);
            l.m.push_back(R * std::exp(-R) / std::pow(std::cosh(z / 0.2), 2) * dR * dz);
        }
    return l;
}

// Direct sum of rings (Plummer softening eps): dPhi/dz at (R, z), G = 1.
double direct_slope(const Lattice& l, double R, double z, double eps = 0.0) {
    double sum = 0.0;
    for (std::size_t j = 0; j < l.a.size(); ++j) {
        const double a = l.a[j];
        const double dz = z - l.z[j];
        const double zeta2 = dz * dz + eps * eps;
        const double D2 = (R + a) * (R + a) + zeta2, d2 = (R - a) * (R - a) + zeta2;
        const double D = std::sqrt(D2);
        const double m = 4.0 * a * R / D2;
        // E(m) by the arithmetic-geometric mean, written apart from the library's.
        double x = 1.0, y = std::sqrt(d2 / D2), s = 0.5 * m, w = 0.5;
        for (int k = 0; k < 30 && x - y > 1e-15 * x; ++k) {
            const double c = 0.5 * (x - y);
            const double nx = 0.5 * (x + y);
            y = std::sqrt(x * y);
            x = nx;
            w *= 2.0;
            s += w * c * c;
        }
        const double E = pi / (2.0 * x) * (1.0 - s);
        sum += l.m[j] * dz * E / (D * d2);
    }
    return 2.0 / pi * sum;
}

// The gas's vertical field is the model's one field, unsoftened particles here.
TEST(GasVerticalField, VerticalForceAgreesWithDirectSummation) {
    const Lattice l = smooth_disk();
    FieldLayout layout;
    layout.r_max = 8.0;
    layout.z_max = 1.0;
    layout.z_scale = 0.2;
    ParticleField particles(layout);
    for (std::size_t j = 0; j < l.a.size(); ++j) particles.add(l.a[j], l.z[j], l.m[j], 0.0);
    const VerticalField field = model_vertical_field(ModelField(std::move(particles), nullptr, 1.0), 2);
    // Gas heights of 0.05 scale lengths: z up to five of them, R from 0.5 to 6 h.
    std::vector<double> R, z, dphi, slope;
    for (double r : {0.5, 1.0, 2.0, 4.0, 6.0})
        for (double height : {0.05, 0.1, 0.15, 0.25}) {
            R.push_back(r);
            z.push_back(height);
        }
    field(R, z, dphi, slope);
    ASSERT_EQ(slope.size(), R.size());
    for (std::size_t j = 0; j < R.size(); ++j) {
        const double exact = direct_slope(l, R[j], z[j]);
        EXPECT_NEAR(slope[j], exact, 0.01 * std::fabs(exact)) << "R " << R[j] << " z " << z[j];
    }
    // The potential difference is the integral of the slope: Simpson's rule on the
    // direct slopes from 0 to 0.25 at R = 2.
    const std::size_t at = 2 * 4 + 3;
    double integral = 0.0;
    const int steps = 20;
    for (int k = 0; k <= steps; ++k) {
        const double w = (k == 0 || k == steps) ? 1.0 : (k % 2 ? 4.0 : 2.0);
        integral += w * direct_slope(l, 2.0, 0.25 * k / steps);
    }
    integral *= 0.25 / steps / 3.0;
    EXPECT_NEAR(dphi[at], integral, 0.01 * integral);
    // Alone, or after a higher point of its column, a point is integrated from the plane.
    std::vector<double> one_dphi, one_slope;
    field({2.0, 2.0}, {0.4, 0.25}, one_dphi, one_slope);
    EXPECT_NEAR(one_dphi[1], integral, 0.01 * integral);
    EXPECT_EQ(one_slope[1], slope[at]);
    EXPECT_GT(one_dphi[0], one_dphi[1]);
}

// The stars' softening reaches the gas: thinner than the softening, the gas feels the
// softened pull the simulation will compute (much weaker than Newton's near the plane).
TEST(GasVerticalField, SoftenedParticlesPullAsTheSimulationWill) {
    const Lattice l = smooth_disk();
    const double eps = 0.3;
    FieldLayout layout;
    layout.r_max = 8.0;
    layout.z_max = 1.0;
    layout.z_scale = 0.2;
    layout.softening = eps;
    ParticleField particles(layout);
    for (std::size_t j = 0; j < l.a.size(); j += 3) particles.add(l.a[j], l.z[j], 3.0 * l.m[j], eps);
    const VerticalField field = model_vertical_field(ModelField(std::move(particles), nullptr, 1.0), 2);
    Lattice thinned;
    for (std::size_t j = 0; j < l.a.size(); j += 3) {
        thinned.a.push_back(l.a[j]);
        thinned.z.push_back(l.z[j]);
        thinned.m.push_back(3.0 * l.m[j]);
    }
    const std::vector<double> R{1.0, 1.0, 3.0, 3.0}, z{0.01, 0.04, 0.01, 0.04};
    std::vector<double> dphi, slope;
    field(R, z, dphi, slope);
    for (std::size_t j = 0; j < R.size(); ++j) {
        const double softened = direct_slope(thinned, R[j], z[j], eps);
        EXPECT_NEAR(slope[j], softened, 0.01 * softened) << "R " << R[j] << " z " << z[j];
        EXPECT_LT(slope[j], 0.7 * direct_slope(thinned, R[j], z[j])) << "R " << R[j] << " z " << z[j];
    }
    // Linear in z well within the softening: Phi - Phi(0) = slope z / 2.
    EXPECT_NEAR(dphi[1], 0.5 * slope[1] * z[1], 0.02 * dphi[1]);
}

TEST(GasSmoothing, LengthsHoldTheNeighbourCountOfABruteForceSearch) {
    std::mt19937_64 gen(4);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<Vec3> points(700);
    for (Vec3& p : points) p = {u(gen), u(gen), 0.1f * u(gen)};
    points[5] = points[4];   // a coincident pair
    for (int neighbours : {1, 2, 32, 700}) {
        const std::vector<float> h = smoothing_lengths(points, neighbours, 3);
        ASSERT_EQ(h.size(), points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            std::vector<double> d;
            for (const Vec3& q : points) {
                const double dx = double(q.x) - points[i].x, dy = double(q.y) - points[i].y, dz = double(q.z) - points[i].z;
                d.push_back(std::sqrt(dx * dx + dy * dy + dz * dz));
            }
            std::sort(d.begin(), d.end());
            ASSERT_NEAR(h[i], d[neighbours - 1], 1e-6) << i << " of " << neighbours;
        }
    }
    EXPECT_TRUE(smoothing_lengths({}, 64, 2).empty());
}

// The k-th smallest squared distance from point i by a full sort, in the arithmetic of
// nanoflann's L2 metric (float differences, squared and summed in double) and rounded as
// galvel writes it: the smoothing length must equal this bit for bit.
std::vector<float> brute_force_lengths(const std::vector<Vec3>& points, std::size_t k) {
    std::vector<float> h(points.size());
    std::vector<double> d(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t j = 0; j < points.size(); ++j) {
            const double dx = points[i].x - points[j].x, dy = points[i].y - points[j].y, dz = points[i].z - points[j].z;
            d[j] = dx * dx + dy * dy + dz * dz;
        }
        std::nth_element(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(k - 1), d.end());
        h[i] = static_cast<float>(std::sqrt(d[k - 1]));
    }
    return h;
}

// A cloud that defeats guesses made from the neighbours: a dense clump inside a sparse
// thin layer (a search moving from one to the other guesses a radius far too small or
// far too large), 100 particles at one position (smoothing length 0 up to 100
// neighbours: no radius to start from), particles alone far outside, a close pair at the
// edge and a few in a line.
std::vector<Vec3> awkward_cloud() {
    std::mt19937_64 gen(17);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::normal_distribution<float> clump(0.0f, 0.01f);
    std::vector<Vec3> points;
    for (int j = 0; j < 1500; ++j) points.push_back({u(gen), u(gen), 0.05f * u(gen)});
    for (int j = 0; j < 1200; ++j) points.push_back({0.3f + clump(gen), -0.2f + clump(gen), clump(gen)});
    for (int j = 0; j < 100; ++j) points.push_back({-0.5f, 0.5f, 0.0f});
    points.push_back({40.0f, 0.0f, 0.0f});
    points.push_back({0.0f, -300.0f, 2.0f});
    points.push_back({5.0f, 5.0f, 0.0f});
    points.push_back({5.0f, 5.0f, 1e-6f});
    for (int j = 0; j < 20; ++j) points.push_back({1.0f + 0.25f * static_cast<float>(j), 0.0f, 0.0f});
    std::shuffle(points.begin(), points.end(), gen);
    return points;
}

TEST(GasSmoothing, LengthsEqualTheBruteForceKthDistanceBitForBit) {
    const std::vector<Vec3> points = awkward_cloud();
    const std::size_t n = points.size();
    for (std::size_t k : {std::size_t{1}, std::size_t{2}, std::size_t{64}, std::size_t{101}, std::size_t{500}, n - 1, n}) {
        const std::vector<float> expected = brute_force_lengths(points, k);
        for (int threads : {1, 3}) {
            const std::vector<float> h = smoothing_lengths(points, static_cast<int>(k), threads);
            ASSERT_EQ(h.size(), n);
            std::size_t wrong = 0, first = n;
            for (std::size_t i = 0; i < n; ++i)
                if (h[i] != expected[i]) {
                    ++wrong;
                    first = std::min(first, i);
                }
            EXPECT_EQ(wrong, 0u) << "k " << k << ", threads " << threads << ", first wrong: particle " << first
                                 << " " << (first < n ? h[first] : 0.0f) << " instead of "
                                 << (first < n ? expected[first] : 0.0f);
        }
    }
    // The coincident hundred: nothing closer than 0 up to 100 neighbours; the lone
    // particle far out reaches back to the rest.
    const std::vector<float> h = smoothing_lengths(points, 64, 2);
    for (std::size_t i = 0; i < n; ++i) {
        if (points[i] == Vec3{-0.5f, 0.5f, 0.0f}) {
            EXPECT_EQ(h[i], 0.0f);
        }
        if (points[i] == Vec3{0.0f, -300.0f, 2.0f}) {
            EXPECT_GT(h[i], 299.0f);
        }
    }
}

// The cloud far from unit scale, by powers of two (the brute force scales exactly): so
// small that float squares of the distances underflow, and so large that the shared
// gatherings give way to searches alone.
TEST(GasSmoothing, LengthsEqualTheBruteForceFarFromUnitScale) {
    std::vector<Vec3> cloud = awkward_cloud();
    cloud.resize(1800);
    for (const float scale : {0x1p-70f, 0x1p-40f, 0x1p50f, 0x1p62f}) {
        std::vector<Vec3> points = cloud;
        for (Vec3& p : points) p = {p.x * scale, p.y * scale, p.z * scale};
        const std::vector<float> expected = brute_force_lengths(points, 64);
        const std::vector<float> h = smoothing_lengths(points, 64, 2);
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < points.size(); ++i) wrong += h[i] != expected[i];
        EXPECT_EQ(wrong, 0u) << "scale " << scale;
    }
}

TEST(GasSmoothing, OnePointAndAllCoincident) {
    EXPECT_EQ(smoothing_lengths({{1.0f, 2.0f, 3.0f}}, 1, 2), std::vector<float>{0.0f});
    const std::vector<Vec3> same(300, Vec3{0.25f, -1.0f, 4.0f});
    const std::vector<float> h = smoothing_lengths(same, 64, 2);
    EXPECT_EQ(std::count(h.begin(), h.end(), 0.0f), 300);
}

TEST(GasSmoothing, UniformGasGivesGadgetsDensityRelation) {
    // (4 pi / 3) h^3 rho = N m in a uniform cube, away from its faces.
    std::mt19937_64 gen(9);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    std::vector<Vec3> points(40000);
    for (Vec3& p : points) p = {u(gen), u(gen), u(gen)};
    const int N = 64;
    const std::vector<float> h = smoothing_lengths(points, N, 2);
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vec3& p = points[i];
        if (std::min({p.x, p.y, p.z}) < 0.2f || std::max({p.x, p.y, p.z}) > 0.8f) continue;
        sum += 4.0 * pi / 3.0 * std::pow(h[i], 3) * double(points.size());
        ++count;
    }
    EXPECT_NEAR(sum / count, N, 0.03 * N);
}

// A light isothermal exponential disk in a flat rotation curve vc = V: the Jeans equation
// gives v_phi^2 = V^2 - c^2 R / h, and as <R> = 2h the rotation's deficit is the radial
// pressure 2 int P dV. W = -M (V^2 + c^2) exactly, and 2K / |W| = 1 up to the sampling of R.
TEST(GasEnergy, TracerDiskInAFlatRotationCurveIsVirialised) {
    const double V2 = 1.0, c2 = 0.02, h = 1.0;
    const std::size_t n = 200000;
    GasParticles gas;
    gas.mass = static_cast<float>(0.5 / n);
    std::mt19937_64 gen(11);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (std::size_t j = 0; j < n; ++j) {
        const double R = -h * std::log((1.0 - u(gen)) * (1.0 - u(gen)));   // R e^(-R/h)
        const double phi = 2.0 * pi * u(gen), z = 0.05 * std::tanh(2.0 * u(gen) - 1.0);
        const double vphi = std::sqrt(V2 - c2 * R / h);
        gas.pos.push_back({float(R * std::cos(phi)), float(R * std::sin(phi)), float(z)});
        gas.vel.push_back({float(-vphi * std::sin(phi)), float(vphi * std::cos(phi)), 0.0f});
        gas.u.push_back(static_cast<float>(GasEos(c2, 1.0).internal_energy(1.0)));
    }
    const Energies e = gas_energies(gas, [&](double) { return V2; });
    const double M = double(gas.mass) * n;
    EXPECT_NEAR(e.virial, -M * (V2 + c2), 1e-6 * M);
    // A thermal energy of P / rho, or a vertical part left out, would be 2% off.
    EXPECT_NEAR(2.0 * e.kinetic / std::fabs(e.virial), 1.0, 5e-4);
    // Gas at rest and cold: nothing in K, only the rotation curve in W.
    GasParticles cold = gas;
    for (Vec3& v : cold.vel) v = {0.0f, 0.0f, 0.0f};
    std::fill(cold.u.begin(), cold.u.end(), 0.0f);
    const Energies c = gas_energies(cold, [&](double R) { return V2 * R; });
    EXPECT_EQ(c.kinetic, 0.0);
    double sum_R = 0.0;
    for (const Vec3& p : cold.pos) sum_R += std::hypot(double(p.x), double(p.y));
    EXPECT_NEAR(c.virial, -double(gas.mass) * V2 * sum_R, 1e-9 * M);
}

// A self-gravitating gas disk's columns are sech^2 sheets: a star at height z feels
// -2 pi G Sigma tanh(z / z0) from the layer, z0 = c^2 / (pi G Sigma), the full column far up.
TEST(GasEnergy, LayerPullIsTheSechSquaredSheets) {
    const double h = 1.5, mass = 2.0, c2 = 0.02, r_max = 6.0 * h;
    const GasDisk disk(gas_parameters(mass, h, 0), r_max, c2, G, uniform_background(1e-3));
    for (double R : {0.5 * h, h, 2.5 * h}) {
        const double sigma = disk.surface_density(R);
        const double z0 = c2 / (pi * G * sigma);
        for (double z : {0.3 * z0, z0, 3.0 * z0}) {
            const double exact = -2.0 * pi * G * sigma * std::tanh(z / z0);
            EXPECT_NEAR(gas_layer_a_z(disk, G, R, z), exact, 0.01 * std::fabs(exact)) << R << " " << z;
            EXPECT_EQ(gas_layer_a_z(disk, G, R, -z), -gas_layer_a_z(disk, G, R, z));
        }
        EXPECT_DOUBLE_EQ(gas_layer_a_z(disk, G, R, 1e3 * z0), -2.0 * pi * G * sigma);
        EXPECT_EQ(gas_layer_a_z(disk, G, R, 0.0), 0.0);
    }
    EXPECT_EQ(gas_layer_a_z(disk, G, 1.01 * r_max, 0.1), 0.0);
}

}  // namespace
}  // namespace galtk::galvel
