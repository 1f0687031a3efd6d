// galvel's command line read in-process: the settings each option gives, what is left
// unset when an option is absent, and the refusals in one form that quotes the text as typed.
#include <sched.h>

#include <thread>

#include "options.hpp"
#include "refusal.hpp"

namespace galtk::galvel {
namespace {

Options read(std::vector<std::string> more) {
    std::vector<std::string> args{"in.dat", "out.dat"};
    args.insert(args.end(), more.begin(), more.end());
    const std::optional<Options> o = read_command_line(args);
    if (!o) throw std::logic_error("no options");
    return *o;
}

std::string refusal(std::vector<std::string> more) {
    try {
        read(std::move(more));
    } catch (const Refusal& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(GalvelOptions, AbsentOptionsLeaveTheDefaultsAndTheEstimates) {
    const Options o = read({});
    EXPECT_EQ(o.input, "in.dat");
    EXPECT_EQ(o.output, "out.dat");
    EXPECT_EQ(o.settings.halo.kind, HaloKind::none);
    EXPECT_FALSE(o.settings.q_radius);
    EXPECT_FALSE(o.settings.scale_length);
    EXPECT_FALSE(o.to);
    EXPECT_FALSE(o.jitter);
    EXPECT_EQ(o.settings.q, 1.5);
    EXPECT_EQ(o.settings.G, 1.0);
    EXPECT_EQ(o.settings.seed, 1);
    EXPECT_GE(o.settings.threads, 1);
}

TEST(GalvelOptions, GivenOptionsReachTheSettings) {
    const Options o = read({"--bulge", "1000", "--halo", "nfw:100:200:10", "--halo-particles", "77", "--q", "1.2",
                            "--q-radius", "8.5", "--scale-length", "3.5", "--G", "43007.1", "--seed", "2147483646",
                            "--to", "hdf5", "--jitter", "1e-4", "--profile", "p.txt", "--threads", "3"});
    EXPECT_EQ(o.settings.bulge, 1000u);
    EXPECT_EQ(o.settings.halo.kind, HaloKind::nfw);
    EXPECT_EQ(o.settings.halo.r200, 200.0);
    EXPECT_EQ(o.settings.halo_particles, 77u);
    EXPECT_EQ(o.settings.q, 1.2);
    EXPECT_EQ(o.settings.q_radius, 8.5);
    EXPECT_EQ(o.settings.scale_length, 3.5);
    EXPECT_EQ(o.settings.G, 43007.1);
    EXPECT_EQ(o.settings.seed, 2147483646);
    EXPECT_EQ(o.to, SnapshotFormat::hdf5);
    EXPECT_EQ(o.jitter, 1e-4f);
    EXPECT_EQ(o.profile, "p.txt");
    EXPECT_EQ(o.settings.threads, 3);
}

// A Slurm job or a Snakemake rule of one thread narrows the affinity mask, not the machine:
// the default follows the mask (set here for one thread, which the settings are read on).
TEST(GalvelOptions, DefaultThreadsAreTheCpusOfTheAffinityMask) {
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    int first = 0;
    while (!CPU_ISSET(first, &all)) ++first;
    int in_mask = -1, pinned = -1;
    std::thread reader([&] {
        in_mask = read({}).settings.threads;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(first, &one);
        if (sched_setaffinity(0, sizeof one, &one) == 0) pinned = read({}).settings.threads;
    });
    reader.join();
    EXPECT_EQ(in_mask, CPU_COUNT(&all));
    EXPECT_EQ(pinned, 1);
    EXPECT_EQ(read({"--threads", "5"}).settings.threads, 5);   // more than the mask: the user's choice
}

// CLI11's ranges pass NaN and print their bounds with six decimals; a value that is
// positive as a double but 0 as a float must not become a jitter of 0.
TEST(GalvelOptions, RefusalsNameTheOptionAndQuoteTheTextAsTyped) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--q", "nan"}, "--q: expected a positive finite number, found nan"},
        {{"--q", "-1"}, "--q: expected a positive finite number, found -1"},
        {{"--G", "1e999"}, "--G: expected a positive finite number, found 1e999"},
        {{"--scale-length", "NaN"}, "--scale-length: expected a positive finite number, found NaN"},
        {{"--q-radius", "two"}, "--q-radius: expected a positive finite number, found two"},
        {{"--jitter", "1e-50"}, "--jitter: expected a positive finite length, found 1e-50"},
        {{"--jitter", "1e39"}, "--jitter: expected a positive finite length, found 1e39"},
        {{"--bulge", "-3"}, "--bulge: expected a count, 0 or more, found -3"},
        {{"--bulge", "99999999999999999999"}, "--bulge: expected a count, 0 or more, found 99999999999999999999"},
        {{"--seed", "2147483647"}, "--seed: expected 1 .. 2147483646, found 2147483647"},
        {{"--to", "positions"}, "--to: expected one of text|gadget1|gadget2|hdf5|tipsy, found positions"},
        {{"--halo", ""}, "--halo: unknown halo kind \"\""},
        {{"--halo", "hernquist:1:inf"}, "--halo: a must be a positive finite number, found \"inf\""},
        {{"--halo-particles", "5"}, "--halo-particles needs --halo"},
        {{"--threads", "0"}, "--threads: expected 1 .. 1024 threads, found 0"},
        {{"--threads", "1.5"}, "--threads: expected 1 .. 1024 threads, found 1.5"},
    };
    for (const auto& [args, expected] : cases) {
        const std::string why = refusal(args);
        EXPECT_EQ(why.rfind(expected, 0), 0u) << why;
        EXPECT_EQ(why.find('\n'), std::string::npos) << why;
    }
    EXPECT_NE(refusal({"--frobnicate"}).find("--frobnicate"), std::string::npos);
    EXPECT_NE(refusal({"in.dat"}).find("(see --help)"), std::string::npos);   // a third positional
}

}  // namespace
}  // namespace galtk::galvel
