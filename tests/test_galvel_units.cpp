// galvel's physical units: G of a cgs system against the values astronomers quote, the
// galactic system giving exactly the velocities of --G 43007.1, the unit names in the
// summary and the profile, and the refusals of --units.
#include "galvel_models.hpp"
#include "options.hpp"
#include "refusal.hpp"
#include "snapshot_io.hpp"
#include "support.hpp"
#include "units.hpp"

namespace galtk::test {
namespace {

using namespace galtk::galvel;

std::optional<PhysicalUnits> units(const std::string& text) {
    std::string why;
    return parse_units(text, why);
}

std::string why_refused(const std::string& text) {
    std::string why;
    EXPECT_FALSE(parse_units(text, why)) << text;
    return why;
}

TEST(GalvelUnits, GravitationalConstantOfCgsSystemsMatchesTheQuotedValues) {
    // kpc, 1e10 solar masses, km/s: GADGET's 43007.1.
    const auto gadget = units("3.085678e21,1.989e43,1e5");
    ASSERT_TRUE(gadget);
    EXPECT_NEAR(gadget->G, 43007.1, 0.05);
    EXPECT_NEAR(gadget->time_myr(), 977.79, 0.01);
    // pc, solar masses, km/s: G = 4.301e-3 pc (km/s)^2 / Msun.
    const auto parsec = units("3.085678e18,1.989e33,1e5");
    ASSERT_TRUE(parsec);
    EXPECT_NEAR(parsec->G, 4.3008e-3, 2e-7);
    // AU, solar masses, AU per year: G M_sun = 4 pi^2 AU^3 / yr^2 (Kepler's third law).
    const auto kepler = units("1.495978707e13,1.989e33,4.740470464e5");
    ASSERT_TRUE(kepler);
    EXPECT_NEAR(kepler->G, 4.0 * std::numbers::pi * std::numbers::pi, 0.02);
    EXPECT_NEAR(kepler->time_myr(), 1e-6, 1e-11);   // one year
    EXPECT_EQ(parsec->length, "3.085678e+18 cm");
    EXPECT_EQ(parsec->velocity, "100000 cm/s");
}

TEST(GalvelUnits, GalacticIsTheGadgetSystemWithItsQuotedG) {
    const auto g = units("galactic");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->G, 43007.1);
    EXPECT_EQ(g->length_cm, 3.085678e21);
    EXPECT_EQ(g->mass_g, 1.989e43);
    EXPECT_EQ(g->velocity_cm_s, 1e5);
    EXPECT_EQ(describe_units(*g), "length kpc, mass 1e10 Msun, velocity km/s, time kpc/(km/s) = 977.7924 Myr, G 43007.1");
    const std::optional<Options> o = read_command_line({"in", "out", "--units", "galactic"});
    ASSERT_TRUE(o && o->settings.units);
    EXPECT_EQ(o->settings.G, 43007.1);
    const std::optional<Options> cgs = read_command_line({"in", "out", "--units", "3.085678e18,1.989e33,1e5"});
    ASSERT_TRUE(cgs && cgs->settings.units);
    EXPECT_EQ(cgs->settings.G, cgs->settings.units->G);
    EXPECT_FALSE(read_command_line({"in", "out"})->settings.units);
}

TEST(GalvelUnits, RefusesSystemsThatAreNotThreePositiveNumbersOrOverflowG) {
    EXPECT_EQ(why_refused("1,2"), "expected galactic or UL,UM,UV (three numbers in cm, g and cm/s), found \"1,2\"");
    EXPECT_NE(why_refused("1,2,3,4").find("found \"1,2,3,4\""), std::string::npos);
    EXPECT_NE(why_refused("Galactic").find("expected galactic"), std::string::npos);
    EXPECT_EQ(why_refused("0,1,1"), "UL (cm) must be a positive finite number, found \"0\"");
    EXPECT_EQ(why_refused("1,,1"), "UM (g) must be a positive finite number, found \"\"");
    EXPECT_EQ(why_refused("1,1,nan"), "UV (cm/s) must be a positive finite number, found \"nan\"");
    EXPECT_NE(why_refused("1e-300,1e300,1").find("not a positive finite"), std::string::npos);   // G overflows
    EXPECT_NE(why_refused("1,1e-300,1e300").find("not a positive finite"), std::string::npos);   // G underflows
    try {
        read_command_line({"in", "out", "--units", "galactic", "--G", "2"});
        ADD_FAILURE() << "--units with --G accepted";
    } catch (const Refusal& e) {
        EXPECT_NE(std::string(e.what()).find("excludes"), std::string::npos) << e.what();
    }
}

TEST(GalvelUnits, GalacticGivesTheBytesOfItsGAndNamesTheUnits) {
    Scratch dir;
    ModelRecipe recipe;
    recipe.disk = 4000;
    recipe.bulge = 1000;
    ParticleSet set = make_model(recipe);
    set.ncomp = 4;
    write_snapshot(dir.path("in.dat"), set, SnapshotFormat::text);
    const std::vector<std::string> base{"in.dat", "", "--bulge", "1000", "--halo", "hernquist:5:6",
                                        "--halo-particles", "100"};
    auto run = [&](const std::string& out, std::vector<std::string> more) {
        std::vector<std::string> args = base;
        args[1] = out;
        args.insert(args.end(), more.begin(), more.end());
        return dir.run("galvel", "", args);
    };
    const RunResult plain = run("g.dat", {"--G", "43007.1", "--profile", "g.txt"});
    const RunResult galactic = run("u.dat", {"--units", "galactic", "--profile", "u.txt"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(galactic.status, 0) << galactic.err;
    EXPECT_EQ(dir.read("u.dat"), dir.read("g.dat"));
    EXPECT_EQ(plain.out.find("units"), std::string::npos) << plain.out;
    EXPECT_NE(galactic.out.find("; units: length kpc, mass 1e10 Msun, velocity km/s, time kpc/(km/s) = 977.7924 Myr, "
                                "G 43007.1\n"),
              std::string::npos)
        << galactic.out;
    const std::vector<std::string> with_units = dir.lines("u.txt"), without = dir.lines("g.txt");
    ASSERT_EQ(with_units.size(), without.size() + 1);
    EXPECT_EQ(with_units[0].rfind("# units: length kpc, mass 1e10 Msun", 0), 0u) << with_units[0];
    EXPECT_TRUE(std::equal(without.begin(), without.end(), with_units.begin() + 1));
    // In km/s a Milky-Way-like rotation: vc of order 100 where G = 1 gives order 1.
    const std::vector<float> first_row = reals_of(with_units[2]);
    ASSERT_GE(first_row.size(), 3u);
    EXPECT_GT(first_row[2], 1.0f);
}

}  // namespace
}  // namespace galtk::test
