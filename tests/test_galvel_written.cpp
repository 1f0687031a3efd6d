// What galvel writes is checked before it is written: a model whose field overflows is
// refused with one line and leaves no file behind, and the profile table has no -0.
#include "galvel_models.hpp"
#include "snapshot_io.hpp"
#include "support.hpp"

namespace galtk::test {
namespace {

void write_model(const Scratch& dir, std::size_t bulge) {
    ModelRecipe recipe;
    recipe.disk = 3000;
    recipe.bulge = bulge;
    ParticleSet set = make_model(recipe);
    set.ncomp = 4;
    write_snapshot(dir.path("in.dat"), set, SnapshotFormat::text);
}

TEST(GalvelWritten, NonFiniteVelocitiesAreRefusedAndNothingIsWritten) {
    Scratch dir;
    write_model(dir, 500);
    const std::vector<std::vector<std::string>> extremes = {
        {"--bulge", "500", "--halo", "hernquist:1e300:1e-300"},
        {"--bulge", "500", "--halo", "nfw:1e300:1e-300:1", "--halo-particles", "100"},
        {"--G", "1e300"},
    };
    for (const auto& extreme : extremes) {
        dir.write("out.dat", previous_model);
        std::vector<std::string> args{"in.dat", "out.dat", "--profile", "p.txt"};
        args.insert(args.end(), extreme.begin(), extreme.end());
        const RunResult r = dir.run("galvel", "", args);
        EXPECT_EQ(r.status, 1) << extreme.back() << ": " << r.err;
        ASSERT_EQ(r.err_lines().size(), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("galvel: in.dat: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("not finite"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(dir.read("out.dat"), previous_model);
        EXPECT_FALSE(dir.exists("p.txt"));
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.dir())) ++files;
        EXPECT_EQ(files, 2u) << "a temporary file was left";
    }
}

// Without a bulge its rotation column is sqrt of a zero share; a product of -1 and 0 in a
// table must not show up as a "-0" that reads as a value of its own.
TEST(GalvelWritten, ProfileWritesZeroWithoutSign) {
    Scratch dir;
    write_model(dir, 0);
    for (const char* halo : {"hernquist:5:6", "nfw:10:50:10"}) {
        const RunResult r = dir.run("galvel", "", {"in.dat", "out.dat", "--halo", halo, "--profile", "p.txt"});
        ASSERT_EQ(r.status, 0) << r.err;
        std::size_t zeros = 0;
        for (const std::string& line : dir.lines("p.txt")) {
            if (line.rfind('#', 0) == 0) continue;
            for (const std::string& t : tokens(line)) {
                EXPECT_NE(t, "-0") << line;
                zeros += t == "0";
            }
        }
        EXPECT_GT(zeros, 0u) << halo;   // the bulge column is there and zero
    }
}

}  // namespace
}  // namespace galtk::test
