// snapconv end to end: options, the summary and hint lines, round trips through the
// program, the jitter, and what a failed conversion leaves behind.
#include <gtest/gtest.h>

#include "formats_fixture.hpp"
#include "snapshot_io.hpp"

namespace galtk::test {
namespace {

// A galmix-like model in the scratch folder with `pairs` bar-like duplicates.
void write_model(const Scratch& dir, const char* name, std::size_t n, std::size_t pairs) {
    ParticleSet s = galmix_like(n);
    for (std::size_t k = 0; k < pairs; ++k) s.pos[n - 1 - k] = s.pos[2 * k];
    write_snapshot(dir.path(name), s, SnapshotFormat::text);
}

void expect_one_line_refusal(const RunResult& r, int status, const std::string& part) {
    EXPECT_EQ(r.status, status) << r.err;
    ASSERT_EQ(r.err_lines().size(), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("snapconv: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
}

TEST(Snapconv, ConvertsThroughEveryFormatAndBackToTheSameText) {
    Scratch dir;
    write_model(dir, "tinit.dat", 400, 0);
    const std::string text = dir.read("tinit.dat");
    for (const char* to : {"gadget1", "gadget2", "hdf5", "tipsy"}) {
        const RunResult r = dir.run("snapconv", {}, {"tinit.dat", std::string("m.") + to, "--to", to});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::string("snapconv: m.") + to + " (" + to +
                             "): 400 particles (type 1: 400), total mass " + r.out.substr(r.out.find("total mass ") + 11, r.out.find(", 0 coincident") - r.out.find("total mass ") - 11) +
                             ", 0 coincident\n");
        const RunResult back = dir.run("snapconv", {}, {std::string("m.") + to, "back.dat", "--to", "text"});
        ASSERT_EQ(back.status, 0) << back.err;
        EXPECT_EQ(dir.read("back.dat"), text) << to;
    }
    // .hdf5 and .h5 need no --to.
    EXPECT_EQ(dir.run("snapconv", {}, {"tinit.dat", "x.h5"}).status, 0);
    EXPECT_EQ(detect_format(dir.path("x.h5")), SnapshotFormat::hdf5);
}

TEST(Snapconv, SummaryCountsCoincidentParticlesAndHints) {
    Scratch dir;
    write_model(dir, "tinit.dat", 300, 25);
    const RunResult r = dir.run("snapconv", {}, {"tinit.dat", "out.g", "--to", "gadget1"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = r.out_lines();
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_NE(lines[0].find(", 50 coincident"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].rfind("snapconv: hint: 50 particles share their position", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find("--jitter EPS"), std::string::npos);
    // Without duplicates: 0 and no hint; the particles pass through unchanged.
    write_model(dir, "clean.dat", 300, 0);
    const RunResult c = dir.run("snapconv", {}, {"clean.dat", "clean2.dat", "--to", "text", "--jitter", "0.01"});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(c.out_lines().size(), 1u);
    EXPECT_NE(c.out.find(", 0 coincident\n"), std::string::npos) << c.out;
    EXPECT_EQ(dir.read("clean2.dat"), dir.read("clean.dat"));
}

TEST(Snapconv, JitterMovesTheLaterParticlesAndRepeatsWithTheSeed) {
    Scratch dir;
    write_model(dir, "tinit.dat", 300, 25);
    const std::vector<std::string> args{"tinit.dat", "j1.dat", "--to", "text", "--jitter", "1.0", "--seed", "5"};
    const RunResult r = dir.run("snapconv", {}, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(", 50 coincident, 25 moved by --jitter (largest offset "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("), 0 coincident now\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out_lines().size(), 1u);  // no hint once separated
    std::vector<std::string> again = args;
    again[1] = "j2.dat";
    ASSERT_EQ(dir.run("snapconv", {}, again).status, 0);
    EXPECT_EQ(dir.read("j1.dat"), dir.read("j2.dat"));
    const ParticleSet before = read_snapshot(dir.path("tinit.dat"));
    const ParticleSet after = read_snapshot(dir.path("j1.dat"));
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before.vel[i], after.vel[i]);
        EXPECT_TRUE(same_bits(before.mass[i], after.mass[i]));
        // Only the 25 later copies (the last particles) moved.
        EXPECT_EQ(before.pos[i] == after.pos[i], i < 275) << i;
    }
    const auto before_lines = dir.lines("tinit.dat"), after_lines = dir.lines("j1.dat");
    for (std::size_t k = 0; k < 4 + 275; ++k) EXPECT_EQ(before_lines[k], after_lines[k]) << k;
}

TEST(Snapconv, RefusedOptionsEndWithStatus1AndNoOutput) {
    Scratch dir;
    write_model(dir, "tinit.dat", 20, 0);
    dir.write("out.g", "earlier\n");
    const struct {
        std::vector<std::string> args;
        const char* part;
    } cases[] = {
        {{"tinit.dat", "out.g"}, "--to is required"},
        {{"tinit.dat", "out.g", "--to", "fits"}, "--to: fits not in {text,gadget1,gadget2,hdf5,tipsy}"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--from", "nbody"}, "--from: nbody not in"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--box", "-1"}, "--box: Value -1: expected a number of at least 0"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--box", "1e999"}, "--box: Value 1e999 is not a finite number"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--mass", "-0.5"}, "--mass: Value -0.5: expected"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--jitter", "1e39"}, "--jitter: Value 1e39 is not a finite number"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--type-map", "1=9"}, "outside 0..5"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--jitter", "0"}, "--jitter"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--jitter", "nan"}, "--jitter"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--units", "galactic"}, "HDF5 output only"},
        {{"tinit.dat", "out.g", "--to", "hdf5", "--units", "1,2"}, "--units"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--tipsy-stars"}, "tipsy output only"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--bogus"}, "--bogus"},
        {{"tinit.dat"}, "output"},
        {{"tinit.dat", "out.g", "--to", "gadget1", "--type-map", "3=3"}, "type code 1, which the type map does not list"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.part);
        expect_one_line_refusal(dir.run("snapconv", {}, c.args), 1, c.part);
        EXPECT_EQ(dir.read("out.g"), "earlier\n");
    }
    const RunResult help = dir.run("snapconv", {}, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--jitter"), std::string::npos);
    const RunResult version = dir.run("snapconv", {}, {"--version"});
    EXPECT_EQ(version.out.rfind("snapconv (galaxy toolkit) ", 0), 0u);
}

TEST(Snapconv, BadInputEndsWithStatus2AndLeavesTheOutputAlone) {
    Scratch dir;
    write_model(dir, "tinit.dat", 50, 0);
    ASSERT_EQ(dir.run("snapconv", {}, {"tinit.dat", "m.g", "--to", "gadget1"}).status, 0);
    const std::string g = dir.read("m.g");
    dir.write("trunc.g", g.substr(0, g.size() / 2));
    dir.write("out.h5", "earlier\n");
    expect_one_line_refusal(dir.run("snapconv", {}, {"trunc.g", "out.h5"}), 2, "trunc.g\": block VEL");
    expect_one_line_refusal(dir.run("snapconv", {}, {"absent.dat", "out.h5"}), 2, "absent.dat");
    expect_one_line_refusal(dir.run("snapconv", {}, {"tinit.dat", "no/such/dir/out.h5"}), 2, "temporary");
    EXPECT_EQ(dir.read("out.h5"), "earlier\n");
    // Non-finite positions: refused with the particle, passed with --allow-nonfinite.
    std::string text = dir.read("tinit.dat");
    const std::size_t line6 = [&] { std::size_t p = 0; for (int k = 0; k < 6; ++k) p = text.find('\n', p) + 1; return p; }();
    text.replace(line6 + 1, text.find(' ', line6 + 1) - line6 - 1, "Infinity");
    dir.write("inf.dat", text);
    expect_one_line_refusal(dir.run("snapconv", {}, {"inf.dat", "out.h5"}), 1, "particle 2 (0-based): position is not finite");
    EXPECT_EQ(dir.run("snapconv", {}, {"inf.dat", "out.h5", "--allow-nonfinite"}).status, 0);
    // No temporary is left in the folder after any of it.
    for (const auto& e : std::filesystem::directory_iterator(dir.dir()))
        EXPECT_NE(e.path().filename().string().rfind(".out.h5", 0), 0u) << e.path();
}

TEST(Snapconv, PositionListsTakeTheMassOption) {
    Scratch dir;
    dir.write("sip3.dat", " 3\n 1 2 3\n 4 5 6\n 7 8 9\n");
    const RunResult r = dir.run("snapconv", {}, {"sip3.dat", "b.hdf5", "--mass", "0.25"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("3 particles (type 1: 3), total mass 0.75,"), std::string::npos) << r.out;
    const ParticleSet s = read_snapshot(dir.path("b.hdf5"));
    EXPECT_EQ(s.mass, (std::vector<float>{0.25f, 0.25f, 0.25f}));
    EXPECT_EQ(s.pos[2], (Vec3{7, 8, 9}));
}

}  // namespace
}  // namespace galtk::test
