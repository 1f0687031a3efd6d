// What galvel and snapconv say about the halo of a model they hand over: the analytic halo
// the velocities assume but the file does not hold (and the note in the HDF5 file that
// carries it to snapconv), and halo particles heavy enough to heat the disk.
#include <hdf5.h>

#include "analytic_halo_note.hpp"
#include "galvel_models.hpp"
#include "header.hpp"
#include "snapshot_io.hpp"
#include "summary.hpp"
#include "support.hpp"

namespace galtk::test {
namespace {

using galvel::disk_type;
using galvel::halo_type;

// `n_disk` disk particles of mass m_disk and `n_halo` halo particles of mass m_halo.
ParticleSet typed_set(std::size_t n_disk, float m_disk, std::size_t n_halo, float m_halo) {
    ParticleSet set;
    set.resize(n_disk + n_halo);
    for (std::size_t j = 0; j < set.size(); ++j) {
        const bool disk = j < n_disk;
        set.type[j] = disk ? disk_type : halo_type;
        set.mass[j] = disk ? m_disk : m_halo;
        set.pos[j] = {static_cast<float>(j), 0.0f, 0.0f};
    }
    return set;
}

TEST(HeavyHalo, HintBeyondTheFactorWithTheEqualMassCount) {
    // Mean masses decide, not totals: 100 disk particles of 1e-3 (total 0.1) and 10 halo
    // particles of 2.1e-3 (total 0.021) are 2.1 times as heavy each.
    const ParticleSet heavy = typed_set(100, 1e-3f, 10, 2.1e-3f);
    const std::string hint = galvel::heavy_halo_hint(heavy);
    EXPECT_EQ(hint.rfind("hint: the halo's particles are 2.1 times as heavy as the disk's", 0), 0u) << hint;
    // 0.021 / 1e-3 = 21 particles of the disk's mass (rounded up, never down).
    EXPECT_NE(hint.find("--halo-particles 21)"), std::string::npos) << hint;
    // At the factor itself (within float rounding below it) and under it: no hint.
    EXPECT_EQ(galvel::heavy_halo_hint(typed_set(100, 1e-3f, 10, 1.999e-3f)), "");
    EXPECT_EQ(galvel::heavy_halo_hint(typed_set(100, 1e-3f, 10, 5e-4f)), "");
    // No halo particles, or a disk without mass: nothing to compare.
    EXPECT_EQ(galvel::heavy_halo_hint(typed_set(100, 1e-3f, 0, 1.0f)), "");
    EXPECT_EQ(galvel::heavy_halo_hint(typed_set(100, 0.0f, 10, 1.0f)), "");
}

TEST(HeavyHalo, EqualMassCountRoundsUpAndComparesWithTheMeanDiskMass) {
    // Disk particles of different masses: mean 2e-3 (1e-3 and 3e-3 alternate).
    ParticleSet set = typed_set(4, 1e-3f, 0, 0.0f);
    set.mass[1] = set.mass[3] = 3e-3f;
    EXPECT_EQ(galvel::equal_mass_count(set, 1.0), 500u);
    EXPECT_EQ(galvel::equal_mass_count(set, 1.0001), 501u);
    EXPECT_EQ(galvel::equal_mass_count(set, 0.0), 0u);
    EXPECT_EQ(galvel::equal_mass_count(typed_set(0, 0.0f, 3, 1.0f), 1.0), 0u);
}

TEST(RoundComponent, ABulgeCountedWithTheDiskIsNamedAThinDiskIsNot) {
    ModelRecipe recipe;
    recipe.disk = 8000;
    recipe.bulge = 2000;
    const ParticleSet model = make_model(recipe);
    // The disk alone: no hint; disk and bulge taken together as the disk population: the
    // share of mass at |z| > R (about 0.29 of the bulge's fifth) is named.
    EXPECT_EQ(galvel::round_component_hint(model, 8000), "");
    const std::string hint = galvel::round_component_hint(model, 10000);
    EXPECT_EQ(hint.rfind("hint: ", 0), 0u) << hint;
    EXPECT_NE(hint.find("--bulge N"), std::string::npos) << hint;
    double share = 0.0;
    for (std::size_t j = 8000; j < 10000; ++j) {
        const Vec3& p = model.pos[j];
        if (p.z * p.z > p.x * p.x + p.y * p.y) share += model.mass[j];
    }
    double all = 0.0;
    for (std::size_t j = 0; j < 10000; ++j) all += model.mass[j];
    EXPECT_GT(share / all, galvel::round_share_limit);
    // A particle exactly at 45 degrees is not round yet (|z| = R).
    ParticleSet edge;
    edge.resize(1);
    edge.pos[0] = {1.0f, 0.0f, 1.0f};
    edge.mass[0] = 1.0f;
    EXPECT_EQ(galvel::round_component_hint(edge, 1), "");
}

TEST(AnalyticHaloNote, DescribesBothProfilesAndNamesTheRemedies) {
    ParticleSet set;
    EXPECT_EQ(analytic_halo_hint(set, "out.hdf5"), "");
    set.analytic_halo = {AnalyticHaloNote::nfw, 80.0, 200.0, 12.0, 43007.1};
    EXPECT_EQ(describe_analytic_halo(set.analytic_halo), "nfw:80:200:12 (G 43007.1)");
    const std::string nfw = analytic_halo_hint(set, "out.hdf5", 1234);
    EXPECT_NE(nfw.find("nfw:80:200:12 (G 43007.1), which out.hdf5 does not hold"), std::string::npos) << nfw;
    EXPECT_NE(nfw.find("--halo-particles 1234 "), std::string::npos) << nfw;
    EXPECT_NE(nfw.find("NFWPotential"), std::string::npos) << nfw;
    set.analytic_halo = {AnalyticHaloNote::hernquist, 5.0, 10.0, 0.0, 2.5};
    const std::string hq = analytic_halo_hint(set, "g.dat");
    EXPECT_NE(hq.find("hernquist:5:10 (G 2.5)"), std::string::npos) << hq;
    EXPECT_NE(hq.find("--halo-particles N "), std::string::npos) << hq;
    EXPECT_NE(hq.find("HernquistPotential"), std::string::npos) << hq;
}

// Overwrites the file's Toolkit/AnalyticHalo with `values`.
void replace_note(const std::filesystem::path& path, std::vector<double> values) {
    const hid_t f = H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    ASSERT_GE(f, 0);
    const hid_t g = H5Gopen2(f, "Toolkit", H5P_DEFAULT);
    if (H5Aexists(g, "AnalyticHalo") > 0) H5Adelete(g, "AnalyticHalo");
    const hsize_t n = values.size();
    const hid_t space = H5Screate_simple(1, &n, nullptr);
    const hid_t a = H5Acreate2(g, "AnalyticHalo", H5T_IEEE_F64LE, space, H5P_DEFAULT, H5P_DEFAULT);
    H5Awrite(a, H5T_NATIVE_DOUBLE, values.data());
    H5Aclose(a);
    H5Sclose(space);
    H5Gclose(g);
    H5Fclose(f);
}

TEST(AnalyticHaloNote, TravelsThroughHdf5AndANoteThatMakesNoSenseIsLeftOut) {
    Scratch dir;
    ParticleSet set = typed_set(10, 0.1f, 0, 0.0f);
    set.analytic_halo = {AnalyticHaloNote::nfw, 80.0, 200.0, 12.0, 43007.1};
    write_snapshot(dir.path("a.hdf5"), set, SnapshotFormat::hdf5);
    const AnalyticHaloNote back = read_snapshot(dir.path("a.hdf5")).analytic_halo;
    EXPECT_EQ(back.kind, AnalyticHaloNote::nfw);
    EXPECT_EQ(back.mass, 80.0);
    EXPECT_EQ(back.length, 200.0);
    EXPECT_EQ(back.concentration, 12.0);
    EXPECT_EQ(back.G, 43007.1);
    // Without a note the attribute is not written at all.
    write_snapshot(dir.path("none.hdf5"), typed_set(10, 0.1f, 0, 0.0f), SnapshotFormat::hdf5);
    EXPECT_EQ(read_snapshot(dir.path("none.hdf5")).analytic_halo.kind, AnalyticHaloNote::none);
    const std::vector<std::vector<double>> bad = {
        {3.0, 80.0, 200.0, 12.0, 1.0},     // unknown kind
        {2.0, 80.0, 200.0, 0.0, 1.0},      // NFW without a concentration
        {1.0, -5.0, 10.0, 0.0, 1.0},       // negative mass
        {1.0, 5.0, 10.0, 0.0, NAN},        // G not a number
        {1.0, 5.0, 10.0, 0.0},             // four values
    };
    for (const auto& values : bad) {
        replace_note(dir.path("a.hdf5"), values);
        EXPECT_EQ(read_snapshot(dir.path("a.hdf5")).analytic_halo.kind, AnalyticHaloNote::none) << values[0];
    }
}

TEST(AnalyticHaloNote, GalvelWritesItAndSnapconvPassesItOnWithTheHint) {
    Scratch dir;
    ModelRecipe recipe;
    recipe.disk = 3000;
    recipe.disk_mass = 0.6;
    ParticleSet model = make_model(recipe);
    model.ncomp = 4;
    write_snapshot(dir.path("in.dat"), model, SnapshotFormat::text);
    // Disk particles of 0.6 / 3000 = 2e-4: a halo of mass 3 takes 15000 of them.
    const RunResult g = dir.run("galvel", "", {"in.dat", "g.hdf5", "--to", "hdf5", "--halo", "hernquist:3:4", "--G", "2.5"});
    ASSERT_EQ(g.status, 0) << g.err;
    ASSERT_EQ(g.out_lines().size(), 2u) << g.out;
    EXPECT_EQ(g.out_lines()[1], "galvel: " + analytic_halo_hint(read_snapshot(dir.path("g.hdf5")), "g.hdf5", 15000));
    EXPECT_NE(g.out_lines()[1].find("hernquist:3:4 (G 2.5)"), std::string::npos) << g.out;

    const RunResult c = dir.run("snapconv", "", {"g.hdf5", "g.gad", "--to", "gadget2"});
    ASSERT_EQ(c.status, 0) << c.err;
    ASSERT_EQ(c.out_lines().size(), 2u) << c.out;
    EXPECT_EQ(c.out_lines()[1].rfind("snapconv: hint: the velocities assume the analytic halo hernquist:3:4 (G 2.5), "
                                     "which g.gad does not hold", 0), 0u) << c.out;

    // With the halo as particles of the disk's mass: no hint of either kind, no note.
    const RunResult live =
        dir.run("galvel", "", {"in.dat", "l.hdf5", "--to", "hdf5", "--halo", "hernquist:3:4", "--G", "2.5",
                               "--halo-particles", "15000"});
    ASSERT_EQ(live.status, 0) << live.err;
    EXPECT_EQ(live.out_lines().size(), 1u) << live.out;
    EXPECT_EQ(read_snapshot(dir.path("l.hdf5")).analytic_halo.kind, AnalyticHaloNote::none);
    const RunResult passed = dir.run("snapconv", "", {"l.hdf5", "l.gad", "--to", "gadget2"});
    EXPECT_EQ(passed.out_lines().size(), 1u) << passed.out;
    // A tenth of them: about ten times as heavy (the tapered halo's particles hold a little
    // less than M), and the hint names the count of the disk's mass for what they hold.
    const RunResult heavy =
        dir.run("galvel", "", {"in.dat", "h.dat", "--halo", "hernquist:3:4", "--halo-particles", "1500"});
    ASSERT_EQ(heavy.out_lines().size(), 2u) << heavy.out;
    EXPECT_EQ(heavy.out_lines()[1].rfind("galvel: hint: the halo's particles are ", 0), 0u) << heavy.out;
    const ParticleSet h = read_snapshot(dir.path("h.dat"));
    double halo_mass = 0.0, disk_mass = 0.0;
    for (std::size_t j = 0; j < h.size(); ++j) (h.type[j] == halo_type ? halo_mass : disk_mass) += h.mass[j];
    EXPECT_GT(halo_mass, 0.95 * 3.0);
    const auto n = static_cast<std::size_t>(std::ceil(halo_mass / (disk_mass / 3000.0) * (1.0 - 1e-6)));
    EXPECT_NE(heavy.out_lines()[1].find("(--halo-particles " + std::to_string(n) + ")"), std::string::npos)
        << heavy.out << n;
}

}  // namespace
}  // namespace galtk::test
