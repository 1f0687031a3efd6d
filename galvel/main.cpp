// galvel: gives a particle model of a disk galaxy the velocities of a rotating galaxy in
// equilibrium by the Jeans-moment method (Hernquist 1993): reads the model, computes the
// field of its particles and of an optional analytic halo, draws every velocity from the
// moments of the Jeans equations, writes the model back with velocities (through a
// temporary file), optionally the profile table, and prints one summary line.
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>

#include "coincident.hpp"
#include "equilibrium.hpp"
#include "output_file.hpp"
#include "profile_file.hpp"
#include "refusal.hpp"
#include "program_failure.hpp"
#include "snapshot_io.hpp"
#include "summary.hpp"

namespace {

using namespace galtk;
using namespace galtk::galvel;

constexpr const char* program = "galvel";

struct Options {
    std::string input, output, halo, to, profile;
    long long bulge = 0, halo_particles = 0, seed = 1;
    double q = 1.5, q_radius = 0.0, scale_length = 0.0, G = 1.0;
    bool q_radius_given = false, scale_length_given = false, halo_particles_given = false;
    float jitter = 0.0f;
    bool jitter_given = false;
};

std::string positive(const char* name, double v) {
    return std::isfinite(v) && v > 0.0 ? std::string() : std::string(name) + ": expected a positive finite number, found " + std::to_string(v);
}

// The options checked beyond CLI11's own checks; the first refusal as text, or empty.
std::string check(const Options& o, Settings& s) {
    if (o.bulge < 0) return "--bulge " + std::to_string(o.bulge) + ": expected a count, 0 or more";
    s.bulge = static_cast<std::size_t>(o.bulge);
    if (!o.halo.empty()) {
        if (std::string why = parse_halo(o.halo, s.halo); !why.empty()) return "--halo " + o.halo + ": " + why;
    }
    if (o.halo_particles < 0) return "--halo-particles " + std::to_string(o.halo_particles) + ": expected a count, 0 or more";
    if (o.halo_particles_given && o.halo.empty()) return "--halo-particles needs --halo (the profile to draw them from)";
    s.halo_particles = static_cast<std::size_t>(o.halo_particles);
    if (std::string why = positive("--q", o.q); !why.empty()) return why;
    s.q = o.q;
    if (o.q_radius_given) {
        if (std::string why = positive("--q-radius", o.q_radius); !why.empty()) return why;
        s.q_radius = o.q_radius;
    }
    if (o.scale_length_given) {
        if (std::string why = positive("--scale-length", o.scale_length); !why.empty()) return why;
        s.scale_length = o.scale_length;
    }
    if (std::string why = positive("--G", o.G); !why.empty()) return why;
    s.G = o.G;
    if (o.seed < 1 || o.seed > 2147483646) return "--seed " + std::to_string(o.seed) + ": expected 1 .. 2147483646";
    s.seed = static_cast<std::int32_t>(o.seed);
    if (o.jitter_given && (!(o.jitter > 0.0f) || !std::isfinite(o.jitter)))
        return "--jitter: expected a finite length above 0";
    if (!o.to.empty()) {
        const auto f = parse_format_name(o.to);
        if (!f || *f == SnapshotFormat::positions) return "--to " + o.to + ": expected one of text|gadget1|gadget2|hdf5|tipsy";
    }
    s.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return {};
}

// The input's format unless --to; a position list has no velocities: text then.
SnapshotFormat output_format(const Options& o) {
    if (!o.to.empty()) return *parse_format_name(o.to);
    const SnapshotFormat in = detect_format(o.input);
    return in == SnapshotFormat::positions ? SnapshotFormat::text : in;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"galvel: gives a particle model of a disk galaxy the velocities of a rotating galaxy in "
                 "equilibrium (Jeans-moment method, Hernquist 1993); disk population type 2, bulge 3, halo 1"};
    app.set_version_flag("--version", std::string(program) + " (galaxy toolkit) " + GALTK_VERSION);
    Options o;
    app.add_option("input", o.input, "model to read (any format of the toolkit)")->required();
    app.add_option("output", o.output, "model to write, with velocities (through a temporary file)")->required();
    app.add_option("--bulge", o.bulge, "the last N particles are a spherical bulge (default 0)");
    app.add_option("--halo", o.halo, "analytic dark halo: hernquist:M:a or nfw:M200:r200:c");
    app.add_option("--halo-particles", o.halo_particles, "also realise the halo as N particles, appended")
        ->each([&o](const std::string&) { o.halo_particles_given = true; });
    app.add_option("--q", o.q, "Toomre's Q at the reference radius (default 1.5)");
    app.add_option("--q-radius", o.q_radius, "reference radius of Q (default 2.43 scale lengths)")
        ->each([&o](const std::string&) { o.q_radius_given = true; });
    app.add_option("--scale-length", o.scale_length, "disk scale length (default: from the surface density)")
        ->each([&o](const std::string&) { o.scale_length_given = true; });
    app.add_option("--G", o.G, "gravitational constant (default 1; 43007.1 for kpc, km/s, 1e10 solar masses)");
    app.add_option("--seed", o.seed, "ran1 seed of the draws, 1 .. 2147483646 (default 1)");
    app.add_option("--profile", o.profile, "write the profile table to this file");
    app.add_option("--to", o.to, "output format: text|gadget1|gadget2|hdf5|tipsy (default: the input's)");
    app.add_option("--jitter", o.jitter, "move each particle that shares its position with an earlier one by at most EPS")
        ->each([&o](const std::string&) { o.jitter_given = true; });
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return galtk::end_with_failure(program, 1, std::string(e.what()) + " (see --help)");
    }

    Settings settings;
    if (std::string refused = check(o, settings); !refused.empty()) return galtk::end_with_failure(program, 1, refused);

    remove_temporaries_on_signals();
    try {
        const SnapshotFormat to = output_format(o);
        ParticleSet set = read_snapshot(o.input);
        const Outcome outcome = give_velocities(set, settings);
        Handover handover{o.output, format_name(to), count_coincident(set), std::nullopt};
        if (o.jitter_given && handover.coincident > 0) handover.jitter = jitter_coincident(set, o.jitter, -4711);
        write_snapshot(o.output, set, to);
        if (!o.profile.empty()) {
            if (std::string failed = write_profile(o.profile, outcome); !failed.empty()) return galtk::end_with_failure(program, 2, failed);
        }
        const AnalyticHalo halo(settings.halo, settings.G);
        std::printf("%s: %s\n", program, summary_line(outcome, halo, handover).c_str());
        if (std::string hint = coincident_hint(handover); !hint.empty()) std::printf("%s: %s\n", program, hint.c_str());
        return 0;
    } catch (const Refusal& e) {
        return galtk::end_with_failure(program, 1, std::string(o.input) + ": " + e.what());
    } catch (const FormatError& e) {
        return galtk::end_with_failure(program, e.status, e.what());
    } catch (const std::length_error&) {
        return galtk::end_with_failure(program, 2, "out of memory: the model does not fit");
    } catch (const std::bad_alloc&) {
        return galtk::end_with_failure(program, 2, "out of memory: the model does not fit");
    }
}
