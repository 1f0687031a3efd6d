// galvel end to end: the model written back with velocities and nothing else changed,
// the same bytes from the same seed, the refusals (one line, status 1, output untouched),
// the coincident particles and --jitter, and the example barred spiral in equilibrium.
#include <cstring>
#include <fstream>

#include "coincident.hpp"
#include "galvel_models.hpp"
#include "snapshot_io.hpp"
#include "support.hpp"

namespace galtk::test {
namespace {

const std::string previous = "previous model\n";

// A text snapshot of 5000 disk and 1000 bulge particles (masses per particle).
void write_model(const Scratch& dir, const std::string& name, ParticleSet set) {
    set.ncomp = 4;
    WriteOptions options;
    options.allow_nonfinite = true;   // for the refusal of a non-finite position
    write_snapshot(dir.path(name), set, SnapshotFormat::text, options);
}

ParticleSet small_model() {
    ModelRecipe recipe;
    recipe.disk = 5000;
    recipe.bulge = 1000;
    return make_model(recipe);
}

std::vector<std::string> base_args() { return {"in.dat", "out.dat", "--bulge", "1000", "--halo", "hernquist:5:6"}; }

std::vector<std::string> with(std::vector<std::string> args, std::initializer_list<std::string> more) {
    args.insert(args.end(), more);
    return args;
}

bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(GalvelCli, WritesVelocitiesAndTypesKeepsPositionsMassesAndOrderBitForBit) {
    Scratch dir;
    const ParticleSet model = small_model();
    write_model(dir, "in.dat", model);
    const RunResult r = dir.run("galvel", "", with(base_args(), {"--halo-particles", "300", "--profile", "p.txt"}));
    ASSERT_EQ(r.status, 0) << r.err;
    // The summary, then the hint that 300 particles of a halo of mass 5 are heavy.
    ASSERT_EQ(r.out_lines().size(), 2u) << r.out;
    EXPECT_EQ(r.out_lines()[1].rfind("galvel: hint: the halo's particles are ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("out.dat (text): disk 5000, bulge 1000, halo 300 particles"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("; 0 coincident"), std::string::npos) << r.out;
    const ParticleSet in = read_snapshot(dir.path("in.dat"));
    const ParticleSet out = read_snapshot(dir.path("out.dat"));
    ASSERT_EQ(out.size(), in.size() + 300);
    std::size_t moving = 0;
    for (std::size_t j = 0; j < out.size(); ++j) {
        if (j < in.size()) {
            for (int k = 0; k < 3; ++k) ASSERT_TRUE(same_bits(out.pos[j][k], in.pos[j][k])) << j;
            ASSERT_TRUE(same_bits(out.mass[j], in.mass[j])) << j;
        }
        EXPECT_EQ(out.type[j], j < 5000 ? 2 : (j < 6000 ? 3 : 1)) << j;
        moving += out.vel[j].x != 0.0f || out.vel[j].y != 0.0f || out.vel[j].z != 0.0f;
    }
    EXPECT_EQ(moving, out.size());
    // The profile table: its three sections, each with a header line.
    const std::vector<std::string> lines = dir.lines("p.txt");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "# disk: R Sigma vc Omega kappa sigma_R sigma_phi sigma_z mean_vphi Q vc_disk vc_bulge vc_halo"
                        " nu sigma_z_sheet sigma_z_jeans");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "# bulge: r rho sigma"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "# halo: r rho sigma"), 1);
    EXPECT_EQ(tokens(lines[1]).size(), 16u);
}

TEST(GalvelCli, HelpAndVersionPrintAndTouchNoFile) {
    Scratch dir;
    const RunResult help = dir.run("galvel", "", {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--halo"), std::string::npos);
    EXPECT_NE(help.out.find("43007.1"), std::string::npos);
    const RunResult version = dir.run("galvel", "", {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("galvel (galaxy toolkit) ", 0), 0u) << version.out;
    EXPECT_TRUE(std::filesystem::is_empty(dir.dir()));
}

// Every binary format of the formats library: the same velocities as the text output,
// and the binary file read back in as input gives the same model again.
TEST(GalvelCli, WritesAndReadsTheBinaryFormats) {
    Scratch dir;
    write_model(dir, "in.dat", small_model());
    ASSERT_EQ(dir.run("galvel", "", base_args()).status, 0);
    const ParticleSet text = read_snapshot(dir.path("out.dat"));
    for (const char* format : {"gadget1", "gadget2", "hdf5", "tipsy"}) {
        const std::string name = std::string("out.") + format;
        const RunResult r = dir.run("galvel", "", {"in.dat", name, "--bulge", "1000", "--halo", "hernquist:5:6",
                                                   "--to", format});
        ASSERT_EQ(r.status, 0) << format << ": " << r.err;
        EXPECT_NE(r.out.find(name + " (" + format + ")"), std::string::npos) << r.out;
        const ParticleSet binary = read_snapshot(dir.path(name));
        ASSERT_EQ(binary.size(), text.size()) << format;
        EXPECT_EQ(binary.vel, text.vel) << format;
        EXPECT_EQ(binary.pos, text.pos) << format;
        // The binary model as input: its format is kept for the output.
        const RunResult again = dir.run("galvel", "", {name, "again." + std::string(format), "--bulge", "1000",
                                                       "--halo", "hernquist:5:6"});
        ASSERT_EQ(again.status, 0) << format << ": " << again.err;
        EXPECT_NE(again.out.find("(" + std::string(format) + ")"), std::string::npos) << again.out;
        EXPECT_NE(again.out.find("disk 5000, bulge 1000"), std::string::npos) << again.out;
    }
}

TEST(GalvelCli, SameSeedSameBytesOtherSeedOtherBytes) {
    Scratch dir;
    write_model(dir, "in.dat", small_model());
    ASSERT_EQ(dir.run("galvel", "", with(base_args(), {"--seed", "9", "--halo-particles", "50"})).status, 0);
    const std::string first = dir.read("out.dat");
    ASSERT_EQ(dir.run("galvel", "", with(base_args(), {"--seed", "9", "--halo-particles", "50"})).status, 0);
    EXPECT_EQ(dir.read("out.dat"), first);
    ASSERT_EQ(dir.run("galvel", "", with(base_args(), {"--seed", "10", "--halo-particles", "50"})).status, 0);
    EXPECT_NE(dir.read("out.dat"), first);
}

TEST(GalvelCli, RefusesBadOptionsAndModelsWithOneLineLeavingTheOutput) {
    Scratch dir;
    ParticleSet model = small_model();
    write_model(dir, "in.dat", model);
    model.pos[41].z = INFINITY;
    write_model(dir, "inf.dat", model);
    ParticleSet tiny;
    tiny.resize(3);
    tiny.softening = {0.1f, 0.1f};
    tiny.type_mass = {0.0f, 1.0f};
    tiny.type = {1, 1, 1};
    tiny.mass = {1.0f, 1.0f, 1.0f};
    write_model(dir, "three.dat", tiny);
    dir.write("positions.dat", "3\n1 0 0\n0 1 0\n0 0 1\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"in.dat", "out.dat", "--halo", "plummer:1:2"}, "unknown halo kind"},
        {{"in.dat", "out.dat", "--halo", "hernquist:-1:2"}, "M must be a positive"},
        {{"in.dat", "out.dat", "--halo", "hernquist:1:0"}, "a must be a positive"},
        {{"in.dat", "out.dat", "--halo", "nfw:1:2"}, "takes 3 numbers"},
        {{"in.dat", "out.dat", "--halo", "nfw:1:2:nan"}, "c must be a positive"},
        {{"in.dat", "out.dat", "--bulge", "6001"}, "--bulge 6001 is more than the model's 6000"},
        {{"in.dat", "out.dat", "--bulge", "6000"}, "no disk particle"},
        {{"three.dat", "out.dat", "--bulge", "3"}, "no disk particle"},
        {{"in.dat", "out.dat", "--q", "0"}, "--q: expected a positive"},
        {{"in.dat", "out.dat", "--q", "-1.5"}, "--q: expected a positive"},
        {{"in.dat", "out.dat", "--q-radius", "0"}, "--q-radius: expected"},
        {{"in.dat", "out.dat", "--q-radius", "1e6"}, "outside the disk"},
        {{"in.dat", "out.dat", "--G", "inf"}, "--G: expected"},
        {{"in.dat", "out.dat", "--seed", "0"}, "--seed: expected 1 .. 2147483646, found 0"},
        {{"in.dat", "out.dat", "--jitter", "0"}, "--jitter"},
        {{"in.dat", "out.dat", "--jitter", "-1e-3"}, "--jitter"},
        {{"in.dat", "out.dat", "--halo-particles", "10"}, "needs --halo"},
        {{"in.dat", "out.dat", "--to", "positions"}, "--to: expected one of text|gadget1|gadget2|hdf5|tipsy, found positions"},
        {{"in.dat", "out.dat", "--frobnicate"}, "frobnicate"},
        {{"inf.dat", "out.dat"}, "particle 41"},
        {{"positions.dat", "out.dat"}, "no mass"},
    };
    for (const auto& [args, expected] : cases) {
        dir.write("out.dat", previous);
        const RunResult r = dir.run("galvel", "", args);
        EXPECT_EQ(r.status, 1) << args.back() << ": " << r.err;
        ASSERT_EQ(r.err_lines().size(), 1u) << args.back() << ": " << r.err;
        EXPECT_EQ(r.err.rfind("galvel: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(dir.read("out.dat"), previous) << args.back();
    }
    const RunResult missing = dir.run("galvel", "", {"absent.dat", "out.dat"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err_lines().size(), 1u);
    EXPECT_EQ(dir.read("out.dat"), previous);
}

TEST(GalvelCli, ModelAndProfileReplaceTheirEarlierFilesTogether) {
    Scratch dir;
    write_model(dir, "in.dat", small_model());
    // The profile cannot be written: the model keeps its earlier file too.
    dir.write("out.dat", previous);
    RunResult r = dir.run("galvel", "", with(base_args(), {"--profile", "/dev/full"}));
    EXPECT_EQ(r.status, 2) << r.err;
    ASSERT_EQ(r.err_lines().size(), 1u) << r.err;
    EXPECT_NE(r.err.find("/dev/full"), std::string::npos) << r.err;
    EXPECT_EQ(dir.read("out.dat"), previous);
    // Nor the other way round: a model that cannot be written leaves the profile alone.
    dir.write("p.txt", "earlier profile\n");
    r = dir.run("galvel", "", {"in.dat", "/dev/full", "--bulge", "1000", "--halo", "hernquist:5:6", "--profile", "p.txt"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(dir.read("p.txt"), "earlier profile\n");

    // Through a symbolic link the link's target is replaced and the link stays.
    std::filesystem::create_directory(dir.path("kept"));
    std::filesystem::create_symlink("kept/profile.txt", dir.path("p-link.txt"));
    r = dir.run("galvel", "", with(base_args(), {"--profile", "p-link.txt"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("p-link.txt")));
    EXPECT_EQ(dir.lines("kept/profile.txt").at(0).rfind("# disk: R Sigma", 0), 0u);
    EXPECT_NE(dir.read("out.dat"), previous);
    // No temporary left behind anywhere.
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.dir()))
        EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
}

TEST(GalvelCli, CountsCoincidentParticlesAndJitterSeparatesOnlyThem) {
    Scratch dir;
    ParticleSet model = small_model();
    for (std::size_t j = 0; j < 30; ++j) model.pos[100 + j] = model.pos[2000 + j];   // 30 pairs
    write_model(dir, "in.dat", model);
    const RunResult plain = dir.run("galvel", "", base_args());
    ASSERT_EQ(plain.status, 0) << plain.err;
    // The summary, the coincident hint, the hint that the analytic halo is not in the file.
    ASSERT_EQ(plain.out_lines().size(), 3u);
    EXPECT_NE(plain.out_lines()[0].find("; 60 coincident"), std::string::npos) << plain.out;
    EXPECT_EQ(plain.out_lines()[1].rfind("galvel: hint: 60 particles share their position", 0), 0u);
    EXPECT_NE(plain.out_lines()[1].find("--jitter EPS"), std::string::npos);
    const ParticleSet before = read_snapshot(dir.path("out.dat"));

    const float eps = 1e-4f;
    const RunResult jittered = dir.run("galvel", "", with(base_args(), {"--jitter", "1e-4"}));
    ASSERT_EQ(jittered.status, 0) << jittered.err;
    ASSERT_EQ(jittered.out_lines().size(), 2u) << jittered.out;
    EXPECT_EQ(jittered.out_lines()[1].rfind("galvel: hint: the velocities assume the analytic halo", 0), 0u);
    EXPECT_NE(jittered.out.find("60 coincident, 30 moved by --jitter"), std::string::npos) << jittered.out;
    const ParticleSet after = read_snapshot(dir.path("out.dat"));
    EXPECT_EQ(count_coincident(after), 0u);
    ASSERT_EQ(after.size(), before.size());
    std::size_t moved = 0;
    for (std::size_t j = 0; j < after.size(); ++j) {
        EXPECT_EQ(after.vel[j], before.vel[j]);
        EXPECT_TRUE(same_bits(after.mass[j], before.mass[j]));
        if (after.pos[j] == before.pos[j]) continue;
        ++moved;
        EXPECT_GE(j, 2000u);   // the later of each pair moves
        const double dx = after.pos[j].x - before.pos[j].x, dy = after.pos[j].y - before.pos[j].y,
                     dz = after.pos[j].z - before.pos[j].z;
        EXPECT_LE(std::sqrt(dx * dx + dy * dy + dz * dz), eps * 1.001);
    }
    EXPECT_EQ(moved, 30u);
    ASSERT_EQ(dir.run("galvel", "", with(base_args(), {"--jitter", "1e-4"})).status, 0);
    const std::string again = dir.read("out.dat");
    ASSERT_EQ(dir.run("galvel", "", with(base_args(), {"--jitter", "1e-4"})).status, 0);
    EXPECT_EQ(dir.read("out.dat"), again);
}

// The example barred spiral (mkcomponents, diskgen, galmix) with the halo of demo.sh is
// in virial equilibrium: 2K/|W| within 0.9 .. 1.1.
TEST(GalvelCli, ExampleBarredSpiralWithItsHaloIsInVirialEquilibrium) {
    Scratch dir;
    for (const auto& entry : std::filesystem::directory_iterator(GALTK_SOURCE_DIR "/examples/barred_spiral"))
        std::filesystem::copy_file(entry.path(), dir.path(entry.path().filename().string()));
    ASSERT_EQ(dir.run("mkcomponents").status, 0);
    ASSERT_EQ(dir.run("diskgen").status, 0);
    std::filesystem::copy_file(dir.path("sip2.dat"), dir.path("di.dat"));
    ASSERT_EQ(dir.run("galmix").status, 0);
    const RunResult r = dir.run("galvel", "", {"tinit.dat", "tinit_v.dat", "--bulge", "8000", "--halo", "hernquist:5:10"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto at = r.out.find("virial ratio 2K/|W| ");
    ASSERT_NE(at, std::string::npos) << r.out;
    const double ratio = std::stod(r.out.substr(at + 20));
    EXPECT_GE(ratio, 0.9);
    EXPECT_LE(ratio, 1.1);
    EXPECT_NE(r.out.find("disk 44002, bulge 8000"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace galtk::test
