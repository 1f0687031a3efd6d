// galvel's gas disk end to end and in-process: the particle order (model, gas, halo) and
// types, the gas mass, the summary, the same bytes from the same seed and any thread count,
// the stars' rotation
// with the gas's gravity against Freeman's formula, and the refusals of bad gas options.
#include <numbers>

#include "equilibrium.hpp"
#include "galvel_models.hpp"
#include "snapshot_io.hpp"
#include "support.hpp"

namespace galtk::test {
namespace {

const std::string previous = "previous model\n";

void write_model(const Scratch& dir, const std::string& name) {
    ModelRecipe recipe;
    recipe.disk = 5000;
    recipe.bulge = 1000;
    ParticleSet set = make_model(recipe);
    set.ncomp = 4;
    write_snapshot(dir.path(name), set, SnapshotFormat::text);
}

std::vector<std::string> gas_args(std::initializer_list<std::string> more) {
    std::vector<std::string> args = {"in.dat", "out.dat", "--bulge", "1000", "--halo", "hernquist:5:6", "--G", "2.5",
                                     "--gas", "0.2:1.5", "--gas-sound-speed", "0.08", "--gas-particles", "3000"};
    args.insert(args.end(), more);
    return args;
}

TEST(GalvelGasCli, GasComesAfterTheModelAndBeforeTheHalo) {
    Scratch dir;
    write_model(dir, "in.dat");
    const RunResult r = dir.run("galvel", "", gas_args({"--halo-particles", "400", "--to", "gadget2", "--profile", "p.txt", "--gas-neighbours", "40"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("; gas 3000 particles (mass 0.2, R_max "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("sound speed 0.08, isothermal), vertical equilibrium in "), std::string::npos) << r.out;
    const ParticleSet out = read_snapshot(dir.path("out.dat"));
    ASSERT_EQ(out.size(), 6000u + 3000u + 400u);
    std::size_t counts[4] = {};
    for (std::size_t j = 0; j < out.size(); ++j) {
        const std::int32_t expected = j < 5000 ? 2 : j < 6000 ? 3 : j < 9000 ? 0 : 1;
        ASSERT_EQ(out.type[j], expected) << j;
        ++counts[expected];
        if (expected == 0) {
            EXPECT_FLOAT_EQ(out.mass[j], 0.2f / 3000.0f);
            EXPECT_EQ(out.vel[j].z, 0.0f);
        }
    }
    // GADGET writes the types in order; the gas first there.
    EXPECT_EQ(counts[0], 3000u);
    const std::vector<std::string> lines = dir.lines("p.txt");
    const auto gas = std::find(lines.begin(), lines.end(), "# gas: R Sigma rho0 half_height vc vphi");
    ASSERT_NE(gas, lines.end());
    EXPECT_EQ(tokens(*(gas + 1)).size(), 6u);
}

TEST(GalvelGasCli, GasFieldsReachTheFileAndTemperaturesNeedUnits) {
    Scratch dir;
    write_model(dir, "in.dat");
    // 10^4 K in galactic units: c^2 = 140.32 (km/s)^2, u = 210.49 (km/s)^2 (mu = 4 / 6.8).
    const RunResult r = dir.run("galvel", "", {"in.dat", "out.hdf5", "--to", "hdf5", "--bulge", "1000", "--units",
                                               "galactic", "--gas", "0.2:1.5", "--gas-temperature", "1e4",
                                               "--gas-particles", "2000", "--gas-neighbours", "32"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("sound speed 11.8"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(", 10000 K, isothermal)"), std::string::npos) << r.out;
    // The fields in memory, as the writers get them.
    ModelRecipe recipe;
    recipe.disk = 5000;
    ParticleSet out = make_model(recipe);
    galvel::Settings s;
    std::string why;
    s.units = galvel::parse_units("galactic", why);
    s.G = s.units->G;
    s.threads = 2;
    s.gas.present = true;
    s.gas.mass = 0.2;
    s.gas.scale_length = 1.5;
    s.gas.particles = 2000;
    s.gas.neighbours = 32;
    s.gas_c2 = 1e4 * 1.380649e-16 / (4.0 / (8.0 - 5.0 * 0.24) * 1.67262192e-24) / 1e10;
    galvel::give_velocities(out, s);
    ASSERT_TRUE(out.has_gas_fields());
    ASSERT_TRUE(out.units);
    std::size_t gas = 0;
    for (std::size_t j = 0; j < out.size(); ++j) {
        if (out.type[j] != 0) {
            EXPECT_EQ(out.smoothing_length[j], 0.0f);
            continue;
        }
        ++gas;
        EXPECT_NEAR(out.internal_energy[j], 210.49f, 0.02f);
        EXPECT_GT(out.density[j], 0.0f);
        EXPECT_GT(out.smoothing_length[j], 0.0f);
    }
    EXPECT_EQ(gas, 2000u);
    // A text snapshot has no gas fields: refused before anything is computed.
    dir.write("out.dat", previous);
    const RunResult text = dir.run("galvel", "", gas_args({}));
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.err.find("a text snapshot has no place for the gas"), std::string::npos) << text.err;
    EXPECT_EQ(dir.read("out.dat"), previous);
}

TEST(GalvelGasCli, SameSeedSameBytes) {
    Scratch dir;
    write_model(dir, "in.dat");
    ASSERT_EQ(dir.run("galvel", "", gas_args({"--seed", "9", "--to", "tipsy"})).status, 0);
    const std::string first = dir.read("out.dat");
    ASSERT_EQ(dir.run("galvel", "", gas_args({"--seed", "9", "--to", "tipsy"})).status, 0);
    EXPECT_EQ(dir.read("out.dat"), first);
    ASSERT_EQ(dir.run("galvel", "", gas_args({"--seed", "10", "--to", "tipsy"})).status, 0);
    EXPECT_NE(dir.read("out.dat"), first);
}

// The gas particles are made on a thread of their own beside the stars' draws, or after
// them with one thread: neither the split nor the timing may change a byte.
TEST(GalvelGasCli, ThreadCountsGiveTheSameBytes) {
    Scratch dir;
    write_model(dir, "in.dat");
    std::string first;
    for (const char* threads : {"1", "2", "3"}) {
        ASSERT_EQ(dir.run("galvel", "", gas_args({"--threads", threads, "--halo-particles", "500", "--to", "gadget2"})).status, 0);
        if (first.empty())
            first = dir.read("out.dat");
        else
            EXPECT_TRUE(dir.read("out.dat") == first) << threads << " threads";
    }
}

TEST(GalvelGasCli, RefusesBadGasOptionsWithOneLine) {
    Scratch dir;
    write_model(dir, "in.dat");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"in.dat", "out.dat", "--gas", "1:2", "--gas-temperature", "1e4"}, "--gas-temperature needs --units"},
        {{"in.dat", "out.dat", "--gas", "-1:2", "--gas-sound-speed", "1"}, "mass must be a positive"},
        {{"in.dat", "out.dat", "--gas", "1:nan", "--gas-sound-speed", "1"}, "scale length must be a positive"},
        {{"in.dat", "out.dat", "--gas", "1", "--gas-sound-speed", "1"}, "expected M:h"},
        {{"in.dat", "out.dat", "--gas", "1:2:3", "--gas-sound-speed", "1"}, "expected M:h"},
        {{"in.dat", "out.dat", "--gas", "1:2", "--gas-sound-speed", "inf"}, "--gas-sound-speed: expected"},
        {{"in.dat", "out.dat", "--gas", "1:2", "--gas-sound-speed", "-0.1"}, "--gas-sound-speed: expected"},
        {{"in.dat", "out.dat", "--gas", "1:2"}, "--gas needs --gas-sound-speed"},
        {{"in.dat", "out.dat", "--gas", "1:2", "--gas-sound-speed", "1", "--gas-temperature", "1e4"}, "not both"},
        {{"in.dat", "out.dat", "--gas", "1:2", "--gas-sound-speed", "1", "--gas-rmax", "0"}, "--gas-rmax: expected"},
        {{"in.dat", "out.dat", "--gas", "1:2", "--gas-sound-speed", "1", "--gas-particles", "0"}, "--gas-particles 0"},
        {{"in.dat", "out.dat", "--gas", "1:2", "--gas-sound-speed", "1", "--gas-particles", "10",
          "--gas-neighbours", "11"}, "more than the 10 gas particles"},
        {{"in.dat", "out.dat", "--gas", "1:2", "--gas-sound-speed", "1", "--gas-neighbours", "0"}, "--gas-neighbours 0"},
        {{"in.dat", "out.dat", "--gas", "1:2", "--gas-sound-speed", "1", "--gas-neighbours", "1"}, "expected 2 .. 100000"},
        {{"in.dat", "out.dat", "--gas", "1:2", "--gas-sound-speed", "1", "--gas-eos", "polytrope:1"}, "above 1"},
        {{"in.dat", "out.dat", "--gas", "1:2", "--gas-sound-speed", "1", "--gas-eos", "adiabatic"}, "expected isothermal"},
        {{"in.dat", "out.dat", "--gas-sound-speed", "1"}, "need --gas M:h"},
    };
    for (const auto& [args, expected] : cases) {
        dir.write("out.dat", previous);
        const RunResult r = dir.run("galvel", "", args);
        EXPECT_EQ(r.status, 1) << args.back() << ": " << r.err;
        ASSERT_EQ(r.err_lines().size(), 1u) << args.back() << ": " << r.err;
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
        EXPECT_EQ(dir.read("out.dat"), previous) << args.back();
    }
}

// Freeman's circular speed of an exponential disk: vc^2 = 4 pi G Sigma0 h y^2
// (I0 K0 - I1 K1)(y), y = R / (2 h).
double freeman_vc2(double G, double mass, double h, double R) {
    const double y = R / (2.0 * h);
    const double sigma0 = mass / (2.0 * std::numbers::pi * h * h);
    return 4.0 * std::numbers::pi * G * sigma0 * h * y * y *
           (std::cyl_bessel_i(0, y) * std::cyl_bessel_k(0, y) - std::cyl_bessel_i(1, y) * std::cyl_bessel_k(1, y));
}

TEST(GalvelGas, StarsFeelTheGasGravity) {
    ModelRecipe recipe;
    recipe.disk = 20000;
    galvel::Settings s;
    s.G = 2.5;
    s.threads = 2;
    ParticleSet plain = make_model(recipe), with_gas = plain;
    const galvel::Outcome without = galvel::give_velocities(plain, s);
    s.gas.present = true;
    s.gas.mass = 0.5;
    s.gas.scale_length = 1.5;
    s.gas.r_max = 12.0 * 1.5;   // 12 scale lengths: the truncation hardly matters
    s.gas.particles = 5000;
    s.gas_c2 = 0.05 * 0.05;
    const galvel::Outcome with = galvel::give_velocities(with_gas, s);
    ASSERT_TRUE(with.gas);
    EXPECT_EQ(with_gas.size(), plain.size() + 5000);
    ASSERT_TRUE(with_gas.has_gas_fields());
    for (double R : {1.0, 2.0, 3.0, 5.0}) {
        const double added = with.disk_table.grid.interpolate(with.disk_table.vc2, R) -
                             without.disk_table.grid.interpolate(without.disk_table.vc2, R);
        const double exact = freeman_vc2(2.5, 0.5, 1.5, R);
        EXPECT_NEAR(added, exact, 0.02 * exact) << R;
    }
}

}  // namespace
}  // namespace galtk::test
