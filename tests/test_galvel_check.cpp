// --check: the tabulated frozen field against the ring sums it was made from, the
// leapfrog in closed-form fields (energy, L_z, a circular orbit, exact landing, the step
// rule), the figures on particles of known layout, a Hernquist sphere drawn from its f(E)
// that stays put while a cold and a hot copy are flagged, the sample, and the options.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "check_report.hpp"
#include "support.hpp"
#include "equilibrium.hpp"
#include "galvel_models.hpp"
#include "options.hpp"
#include "refusal.hpp"

namespace galtk::test {
namespace {

using namespace galtk::galvel;

constexpr double pi = std::numbers::pi;

// The mirrored field galvel computes for a model (disk particles softened by the header).
ModelField model_field(const ParticleSet& set, double z0, const AnalyticHalo* halo, double G) {
    FieldLayout layout = field_layout(set, 0, set.size(), z0);
    layout.mirror = true;
    ParticleField particles(layout);
    add_particles(particles, set, 0, set.size());
    return ModelField(std::move(particles), halo, G);
}

// The largest |a_table - a_sum| / |a_sum| at random points of a disk with a bulge: a third
// within three scale heights of the plane, a third up to two scale lengths above it, a
// third near the axis (R below half a scale length, where the table continues across it).
double worst_table_error(const ModelField& field, const FieldTable& table, double r_cut, double z0, bool halo_too) {
    std::mt19937_64 gen(11);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<FieldPoint> points;
    for (int j = 0; j < 600; ++j) {
        const double R = j % 3 == 2 ? 0.5 * u(gen) * u(gen) : r_cut * u(gen);
        points.push_back({R, (j % 3 == 1 ? 2.0 : 3.0 * z0) * (2.0 * u(gen) - 1.0)});
    }
    const std::vector<FieldValue> exact = halo_too ? field.evaluate(points, 2) : field.particles().evaluate(points, 2);
    double worst = 0.0;
    for (std::size_t j = 0; j < points.size(); ++j) {
        const Acceleration a = halo_too ? table.at(points[j].R, points[j].z) : table.particles_at(points[j].R, points[j].z);
        const double G = halo_too ? 1.0 : field.G();
        const double eR = a.a_R - G * exact[j].a_R, ez = a.a_z - G * exact[j].a_z;
        worst = std::max(worst, std::hypot(eR, ez) / (G * std::hypot(exact[j].a_R, exact[j].a_z)));
    }
    return worst;
}

TEST(GalvelCheckField, TableForceWithinHalfAPercentOfTheRingSums) {
    ModelRecipe recipe;
    recipe.disk = 20000;
    recipe.bulge = 4000;
    const ParticleSet set = make_model(recipe);
    const double G = 1.7;
    const AnalyticHalo halo({HaloKind::hernquist, 5.0, 4.0}, G);
    const ModelField field = model_field(set, recipe.z0, &halo, G);
    const FieldTable table(field, table_layout(field, recipe.h, recipe.z0), 2);
    // The particles' part alone (the harder test: no halo to dilute the error), then the
    // total with the halo in closed form.
    EXPECT_LT(worst_table_error(field, table, recipe.r_cut, recipe.z0, false), 0.005);
    EXPECT_LT(worst_table_error(field, table, recipe.r_cut, recipe.z0, true), 0.005);
    // Beyond the grid the particles pull as a point of their mass (1 + 0.25).
    const double far = 3.0 * table.layout().R_max;
    EXPECT_NEAR(table.particles_at(far, 0.0).a_R / (-G * 1.25 / (far * far)), 1.0, 1e-6);
    // Parities: a_z odd in z, a_R even.
    const Acceleration up = table.at(2.0, 0.3), down = table.at(2.0, -0.3);
    EXPECT_EQ(up.a_R, down.a_R);
    EXPECT_EQ(up.a_z, -down.a_z);
    EXPECT_LT(up.a_z, 0.0);
}

// A Hernquist sphere with G != 1 and its closed-form potential -G M / (r + a).
struct Hernquist {
    double G = 0.8, M = 2.0, a = 1.5;
    HaloField field() const { return HaloField(AnalyticHalo({HaloKind::hernquist, M, a}, G), G); }
    double energy(const Orbit& o) const {
        const double r = std::sqrt(o.x * o.x + o.y * o.y + o.z * o.z);
        return 0.5 * (o.vx * o.vx + o.vy * o.vy + o.vz * o.vz) - G * M / (r + a);
    }
    double circular_speed(double r) const { return std::sqrt(G * M * r) / (r + a); }
};

double lz(const Orbit& o) { return o.x * o.vy - o.y * o.vx; }

// An eccentric, inclined rosette (radii 0.5 .. 3.1, a = 1.5): energy stays within 2e-3 of
// its start over 200 time units, some 25 radial periods (the leapfrog's error at 100 steps
// a local period oscillates with the radius at about 1e-3 and does not drift), L_z to rounding
// (the force has no torque about z, and kicks and drifts each keep x v_y - y v_x).
TEST(GalvelCheckOrbits, LeapfrogKeepsEnergyAndAngularMomentumInHernquist) {
    const Hernquist h;
    const HaloField field = h.field();
    Orbit o{3.0, 0.0, 0.5, 0.05, 0.12, 0.08};
    const double E0 = h.energy(o), L0 = lz(o);
    double worst = 0.0;
    for (int k = 0; k < 200; ++k) {
        advance(o, field, 1.0);
        worst = std::max(worst, std::fabs(h.energy(o) / E0 - 1.0));
        ASSERT_NEAR(lz(o) / L0, 1.0, 1e-12) << k;
    }
    EXPECT_LT(worst, 2e-3);
    EXPECT_GT(worst, 0.0);
}

// A circular orbit in the plane keeps its radius within 1.5e-3 over ten periods (at 100
// steps a period the leapfrog's orbit swings about the circle by up to about
// (2 pi / 100)^2 / 4, without growing) and stays
// in the plane; a tilted circular orbit keeps its radius too (the sphere has no plane).
TEST(GalvelCheckOrbits, CircularOrbitStaysCircular) {
    const Hernquist h;
    const HaloField field = h.field();
    for (double tilt : {0.0, 0.7}) {
        const double r = 2.0, v = h.circular_speed(r), period = 2.0 * pi * r / v;
        Orbit o{r, 0.0, 0.0, 0.0, v * std::cos(tilt), v * std::sin(tilt)};
        for (int k = 0; k < 100; ++k) {
            advance(o, field, period / 10.0);
            ASSERT_NEAR(std::sqrt(o.x * o.x + o.y * o.y + o.z * o.z) / r, 1.0, 1.5e-3) << k;
            if (tilt == 0.0) ASSERT_EQ(o.z, 0.0);
        }
        // Ten periods later it is back where it started (phase error of the leapfrog).
        EXPECT_NEAR(o.x / r, 1.0, 2e-3);
        EXPECT_NEAR(o.y / r, 0.0, 0.06);
    }
}

// A field of constant pull per unit radius: the harmonic sphere, every orbit of period
// 2 pi / omega.
class Harmonic final : public AxisymmetricField {
public:
    explicit Harmonic(double omega) : w2_(omega * omega) {}
    Acceleration at(double R, double z) const override { return {-w2_ * R, -w2_ * z}; }

private:
    double w2_;
};

class NoField final : public AxisymmetricField {
public:
    Acceleration at(double, double) const override { return {}; }
};

// The step is 1/100 of the local period (the harmonic sphere's is the same everywhere:
// 100 steps a period) and the last step lands on the end: without a field an orbit
// moves by v T exactly, in one step.
TEST(GalvelCheckOrbits, StepsAreAHundredthOfThePeriodAndLandOnTheEnd) {
    const double omega = 1.3, period = 2.0 * pi / omega;
    Orbit o{1.0, 0.5, 0.2, 0.1, -0.3, 0.4};
    const Orbit start = o;
    EXPECT_EQ(advance(o, Harmonic(omega), period), 100u);
    EXPECT_NEAR(o.x, start.x, 2e-3);
    EXPECT_NEAR(o.vz, start.vz, 2e-3);
    EXPECT_EQ(advance(o, Harmonic(omega), 0.37 * period), 37u);
    Orbit free{1.0, 2.0, 3.0, 0.25, -0.5, 0.125};
    EXPECT_EQ(advance(free, NoField(), 8.0), 1u);
    EXPECT_EQ(free.x, 3.0);
    EXPECT_EQ(free.y, -2.0);
    EXPECT_EQ(free.z, 4.0);
    EXPECT_EQ(advance(free, NoField(), 0.0), 0u);
}

// The estimate that refuses endless checks: 100 steps a local period per orbit (two
// circular orbits in a harmonic sphere: 2 x 100 x T / P).
TEST(GalvelCheckOrbits, StepEstimateCountsPeriods) {
    const double omega = 0.5, period = 2.0 * pi / omega;
    CheckSample s;
    s.orbits = {{1.0, 0.0, 0.0, 0.0, 0.5, 0.0}, {0.0, 3.0, 0.2, -1.5, 0.0, 0.0}};
    EXPECT_NEAR(estimated_steps(s, Harmonic(omega), 7.0 * period), 1400.0, 1e-9);
    EXPECT_GT(estimated_steps(s, Harmonic(omega), 1e300), max_check_steps);
}

CheckSample hand_sample() {
    CheckSample s;
    auto put = [&](Component c, Orbit o, double m) {
        s.orbits.push_back(o);
        s.mass.push_back(m);
        s.component.push_back(c);
        ++s.taken[static_cast<int>(c)];
        ++s.in_model[static_cast<int>(c)];
    };
    // Halo: 100 particles at r = 1 .. 100, the first ten twice as heavy.
    for (int k = 1; k <= 100; ++k) put(Component::halo, {0.0, double(k), 0.0, 0, 0, 0}, k <= 10 ? 2.0 : 1.0);
    // Disk: a ring at R = 2 at z = +-0.1 and +-0.3 moving with v_phi 1 +- 0.2 and v_R +-0.5.
    for (int k = 0; k < 8; ++k) {
        const double phi = k * pi / 4, c = std::cos(phi), s_ = std::sin(phi);
        const double z = (k % 2 ? 0.1 : -0.3) * (k % 4 < 2 ? 1.0 : -1.0);
        const double vR = k % 2 ? 0.5 : -0.5, vphi = k < 4 ? 1.2 : 0.8;
        put(Component::disk, {2.0 * c, 2.0 * s_, z, vR * c - vphi * s_, vR * s_ + vphi * c, 0.0}, 1.0);
    }
    return s;
}

// The figures on particles of known layout: mass radii count masses, z_rms, sigma_R and
// mean v_phi come from the annulus, an empty annulus gives NaN; the bootstrap's noise is
// 0 where every resample gives the same figure and not where it does not.
TEST(GalvelCheckFigures, MeasureKnownLayouts) {
    const CheckSample s = hand_sample();
    const std::vector<FigureDefinition> defs = figure_definitions(s, 2.0, 2.0);
    const std::vector<double> v = measure(defs, s);
    auto value = [&](const std::string& name) {
        for (std::size_t f = 0; f < defs.size(); ++f)
            if (defs[f].name == name) return v[f];
        ADD_FAILURE() << name;
        return 0.0;
    };
    // Total 110: 1% is 1.1 (the first particle, mass 2), 10% 11 (the sixth), 50% 55 (r 45).
    EXPECT_EQ(value("halo_r1"), 1.0);
    EXPECT_EQ(value("halo_r10"), 6.0);
    EXPECT_EQ(value("halo_r50"), 45.0);
    EXPECT_NEAR(value("disk_zrms_1h"), std::sqrt((0.01 + 0.09) / 2.0), 1e-12);
    EXPECT_NEAR(value("disk_sigmaR_ref"), 0.5, 1e-12);
    EXPECT_NEAR(value("disk_vphi_ref"), 1.0, 1e-12);
    EXPECT_TRUE(std::isnan(value("disk_zrms_2h")));
    const std::vector<double> noise = bootstrap_noise(defs, s);
    for (std::size_t f = 0; f < defs.size(); ++f) {
        // A resample misses the innermost halo particle about one time in three.
        if (defs[f].name == "halo_r1") EXPECT_GT(noise[f], 0.1);
        // Every disk particle lies at r = sqrt(4 + z^2), 2.0025 or 2.0224.
        if (defs[f].name == "disk_r50") EXPECT_LT(noise[f], 0.02);
        if (defs[f].name == "disk_vphi_ref") EXPECT_GT(noise[f], 0.0);
    }
}

// Tracers drawn by galvel from the Hernquist f(E) in the sphere's own fixed field keep
// their mass radii within the noise; the same particles at half their speeds fall in and
// at 1.4 times fly out, and the check flags the inner radii.
TEST(GalvelCheckModel, EquilibriumSphereStaysColdAndHotOnesAreFlagged) {
    ModelRecipe recipe;
    recipe.disk = 1000;
    recipe.disk_mass = 1e-9;
    ParticleSet set = make_model(recipe);
    Settings settings;
    settings.halo = {HaloKind::hernquist, 1.0, 1.0};
    settings.halo_particles = 20000;
    settings.threads = 2;
    const Outcome outcome = give_velocities(set, settings);
    const HaloField field(AnalyticHalo(outcome.halo_parameters, settings.G), settings.G);
    auto flagged_halo = [&](double scale) {
        ParticleSet copy = set;
        for (std::size_t j = 0; j < copy.size(); ++j)
            for (int k = 0; k < 3; ++k) copy.vel[j][k] = float(copy.vel[j][k] * scale);
        CheckSample sample = pick_sample(copy);
        const CheckResult r = run_check(sample, field, figure_definitions(sample, 1.0, 2.4), 8.0, 2, 4);
        std::vector<std::string> names;
        for (std::size_t f = 0; f < r.defs.size(); ++f)
            if (r.defs[f].component == Component::halo && r.flagged(f)) names.push_back(r.defs[f].name);
        return names;
    };
    EXPECT_TRUE(flagged_halo(1.0).empty());
    for (double scale : {0.5, 1.4}) {
        const std::vector<std::string> names = flagged_halo(scale);
        for (const char* name : {"halo_r1", "halo_r5", "halo_r10", "halo_r50"})
            EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << scale << " " << name;
    }
}

// A large model is sampled: 10^5 particles, each component in proportion, the gas left
// out, evenly through each component's particles, the same every time.
TEST(GalvelCheckSample, ProportionalDeterministicWithoutGas) {
    ParticleSet set;
    set.resize(245000);
    for (std::size_t j = 0; j < set.size(); ++j) {
        set.type[j] = j < 150000 ? 2 : j < 155000 ? 0 : 1;
        set.pos[j] = {float(j), 0.0f, 0.0f};
        set.mass[j] = 1.0f;
    }
    const CheckSample s = pick_sample(set);
    EXPECT_EQ(s.taken[0], 62500u);   // 10^5 x 150000 / 240000
    EXPECT_EQ(s.taken[2], 37500u);
    EXPECT_EQ(s.taken[1], 0u);
    EXPECT_EQ(s.size(), 100000u);
    for (const Orbit& o : s.orbits) ASSERT_FALSE(o.x >= 150000.0 && o.x < 155000.0) << o.x;
    EXPECT_LT(s.orbits.front().x, 3.0);
    EXPECT_GT(s.orbits[62499].x, 149990.0);
    EXPECT_EQ(pick_sample(set).orbits.back().x, s.orbits.back().x);
    // A small model is followed whole.
    set.resize(5000);
    EXPECT_EQ(pick_sample(set).size(), 5000u);
}

TEST(GalvelCheckOptions, RefusesTimesThatAreNotPositiveAndFiniteAndAnOutputWithoutCheck) {
    for (const char* bad : {"-1", "0", "nan", "inf", "abc"})
        EXPECT_THROW(read_command_line({"in.dat", "out.dat", "--check", bad}), Refusal) << bad;
    EXPECT_THROW(read_command_line({"in.dat", "out.dat", "--check-output", "c.txt"}), Refusal);
    const auto o = read_command_line({"in.dat", "out.dat", "--check", "2.5", "--check-output", "c.txt"});
    ASSERT_TRUE(o);
    EXPECT_EQ(*o->check, 2.5);
    EXPECT_EQ(o->check_output, "c.txt");
    EXPECT_FALSE(read_command_line({"in.dat", "out.dat"})->check);
}

// End to end: --check changes no byte of the model or the profile and no character of
// the summary line; it adds its own lines after it and writes its table, which is
// committed with the other outputs; a refused --check leaves every output untouched.
TEST(GalvelCheckCli, AddsLinesAndTableChangesNothingElse) {
    Scratch dir;
    ModelRecipe recipe;
    recipe.disk = 3000;
    ParticleSet model = make_model(recipe);
    model.ncomp = 4;
    write_snapshot(dir.path("in.dat"), model, SnapshotFormat::text);
    const std::vector<std::string> args = {"in.dat", "out.dat", "--halo", "hernquist:5:6", "--halo-particles", "2000",
                                           "--profile", "p.txt"};
    const RunResult plain = dir.run("galvel", "", args);
    ASSERT_EQ(plain.status, 0) << plain.err;
    const std::string model_bytes = dir.read("out.dat"), profile_bytes = dir.read("p.txt");
    std::vector<std::string> checked = args;
    for (const char* more : {"--check", "3", "--check-output", "c.txt"}) checked.push_back(more);
    const RunResult r = dir.run("galvel", "", checked);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dir.read("out.dat"), model_bytes);
    EXPECT_EQ(dir.read("p.txt"), profile_bytes);
    const std::vector<std::string> lines = r.out_lines(), before = plain.out_lines();
    ASSERT_EQ(lines.size(), before.size() + 4) << r.out;   // head, disk, halo, verdict
    for (std::size_t k = 0; k < before.size(); ++k) EXPECT_EQ(lines[k], before[k]);
    EXPECT_EQ(lines[before.size()].rfind("galvel: check: 5000 of 5000 particles on their orbits for t = 3 ", 0), 0u)
        << lines[before.size()];
    EXPECT_EQ(lines[before.size() + 1].rfind("galvel: check disk: r10 ", 0), 0u);
    EXPECT_EQ(lines[before.size() + 2].rfind("galvel: check halo: r1 ", 0), 0u);
    const std::vector<std::string> table = dir.lines("c.txt");
    ASSERT_EQ(table.size(), 3u + 21u);
    EXPECT_EQ(table[1].rfind("# columns: t disk_r10 disk_r50 disk_r90 disk_zrms_1h", 0), 0u) << table[1];
    EXPECT_EQ(tokens(table[2]).size(), tokens(table[1]).size());
    EXPECT_EQ(tokens(table.back())[0], "3");
    // Refused: nothing is written, the earlier files stay.
    dir.write("c.txt", "earlier\n");
    checked[checked.size() - 3] = "-2";
    const RunResult refused = dir.run("galvel", "", checked);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--check"), std::string::npos) << refused.err;
    EXPECT_EQ(dir.read("c.txt"), "earlier\n");
    EXPECT_EQ(dir.read("out.dat"), model_bytes);
}

}  // namespace
}  // namespace galtk::test
