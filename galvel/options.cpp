#include "options.hpp"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include "available_cpus.hpp"
#include "gas_options.hpp"
#include "header.hpp"
#include "refusal.hpp"

namespace galtk::galvel {

namespace {

// A CLI11 check that refuses in galvel's words: "expected WHAT, found TEXT", the text as
// it was typed (CLI11's own message prints its bounds as 0.000000).
CLI::Validator expecting(const CLI::Validator& check, const std::string& what) {
    return CLI::Validator(
        [check, what](std::string& text) {
            std::string copy = text;
            return check(copy).empty() ? std::string() : "expected " + what + ", found " + text;
        },
        check.get_description());
}

// CLI11's ranges let NaN through (no comparison with NaN fails).
const CLI::Validator not_nan(
    [](std::string& text) { return std::isnan(std::strtold(text.c_str(), nullptr)) ? std::string("NaN") : std::string(); }, "");

const CLI::Validator positive = expecting(CLI::PositiveNumber & not_nan, "a positive finite number");
const CLI::Validator positive_float = expecting(
    CLI::Range(std::numeric_limits<float>::min(), std::numeric_limits<float>::max(), "POSITIVE") & not_nan,
    "a positive finite length");
// CLI11 reads an integer too large for long long as its largest value: the bound below
// that refuses it too.
const CLI::Validator count = expecting(CLI::Range(0LL, 1LL << 62, "COUNT"), "a count, 0 or more");

// A particle type code as the formats carry it (GADGET and HDF5 0 .. 5; a text file any
// non-negative code).
const CLI::Validator type_code = expecting(CLI::Range(0LL, 2147483647LL, "TYPE"), "a type code, 0 .. 2147483647");

const CLI::Validator unit_system(
    [](std::string& text) {
        std::string why;
        return parse_units(text, why) ? std::string() : why;
    },
    "SYSTEM");

const CLI::Validator halo_profile(
    [](std::string& text) {
        HaloParameters unused;
        return parse_halo(text, unused);
    },
    "PROFILE");

// More threads than rings of work gain nothing; this bounds a mistyped count.
constexpr int max_threads = 1024;

constexpr const char* description =
    "galvel: gives a particle model of a disk galaxy the velocities of a rotating galaxy in "
    "equilibrium (Jeans-moment method, Hernquist 1993); disk population type 2, bulge 3, halo 1";

// The values as typed, before they become settings.
struct Typed {
    std::string halo, to, units, vertical = "jeans";
    double q_radius = 0.0, scale_length = 0.0;
    float jitter = 0.0f;
    double check = 0.0;
    int threads = 1;
    GasTyped gas;
    std::string spherical;
    double halo_outer = 0.0, halo_decay = 0.0;
};

void add_options(CLI::App& app, Options& o, Typed& t) {
    Settings& s = o.settings;
    app.add_option("input", o.input, "model to read (any format of the toolkit)")->required();
    app.add_option("output", o.output, "model to write, with velocities (through a temporary file)")->required();
    app.add_option("--bulge", s.bulge, "the last N particles are a spherical bulge (default 0)")->check(count);
    app.add_option("--bulge-type", s.bulge_type,
                   "the bulge is every particle of type code T, wherever it is in the file (instead of --bulge)")
        ->check(type_code);
    app.add_option("--halo-type", s.halo_type,
                   "the model holds a live halo: every particle of type code T (instead of --halo)")
        ->check(type_code);
    app.add_option("--halo", t.halo, "analytic dark halo: hernquist:M:a or nfw:M200:r200:c")->check(halo_profile);
    app.add_option("--halo-particles", s.halo_particles, "also realise the halo as N particles, appended")->check(count);
    app.add_option("--q", s.q, "Toomre's Q at the reference radius (default 1.5)")->check(positive);
    app.add_option("--q-radius", t.q_radius, "reference radius of Q (default 2.43 scale lengths)")->check(positive);
    app.add_option("--scale-length", t.scale_length, "disk scale length (default: from the surface density)")
        ->check(positive);
    CLI::Option* G = app.add_option("--G", s.G, "gravitational constant of model units (default 1; 43007.1 for kpc, "
                                                  "km/s, 1e10 solar masses)")
                         ->check(positive);
    app.add_option("--units", t.units,
                   "physical units instead of --G: galactic (kpc, 1e10 solar masses, km/s; G 43007.1) or UL,UM,UV "
                   "in cm, g, cm/s")
        ->check(unit_system)
        ->excludes(G);
    app.add_option("--seed", s.seed, "ran1 seed of the draws, 1 .. 2147483646 (default 1)")
        ->check(expecting(CLI::Range(1LL, 2147483646LL, "SEED"), "1 .. 2147483646"));
    app.add_option("--vertical", t.vertical,
                   "disk's sigma_z: jeans (vertical Jeans equation in the whole softened field) or sheet "
                   "(pi G Sigma z0; the draws of earlier versions) (default jeans)")
        ->check(expecting(CLI::IsMember({"jeans", "sheet"}), "jeans or sheet"));
    app.add_option("--profile", o.profile, "write the profile table to this file");
    app.add_option("--to", t.to, "output format: text|gadget1|gadget2|hdf5|tipsy (default: the input's)")
        ->check(expecting(CLI::IsMember({"text", "gadget1", "gadget2", "hdf5", "tipsy"}),
                          "one of text|gadget1|gadget2|hdf5|tipsy"));
    app.add_option("--spherical", t.spherical,
                   "bulge and halo particles: eddington (speeds from f(E), default) or moments (Gaussian Jeans draws)")
        ->check(expecting(CLI::IsMember({"eddington", "moments"}), "eddington or moments"));
    app.add_option("--halo-outer", t.halo_outer, "Hernquist halo particles end here, tapered beyond (default 100 a)")
        ->check(positive);
    app.add_option("--halo-decay", t.halo_decay,
                   "decay length of the halo's exponential taper beyond r200 or the outer radius (default a tenth of it)")
        ->check(positive);
    app.add_option("--jitter", t.jitter, "move each particle that shares its position with an earlier one by at most EPS")
        ->check(positive_float);
    CLI::Option* check =
        app.add_option("--check", t.check,
                       "follow the particles (a sample of 100000 in larger models) on their orbits in the model's own "
                       "frozen field for the time T and report how its mass radii, heights and dispersions change")
            ->check(positive);
    app.add_option("--check-output", o.check_output, "write the figures of --check against time to this file")
        ->needs(check);
    app.add_option("--threads", t.threads, "threads of the field computation (default: the CPUs this process may run on)")
        ->check(expecting(CLI::Range(1, max_threads, "THREADS"), "1 .. " + std::to_string(max_threads) + " threads"))
        ->take_last();   // a survey passes its rule's threads first, the user's options after
    add_gas_options(app, t.gas);
}

// --halo-outer and --halo-decay: only for a halo that has a taper, the decay length at
// most the taper's edge radius.
void settle_taper(const CLI::App& app, Settings& s, const Typed& t) {
    const bool outer = app.count("--halo-outer") > 0, decay = app.count("--halo-decay") > 0;
    if ((outer || decay) && app.count("--halo") == 0)
        throw Refusal(std::string(outer ? "--halo-outer" : "--halo-decay") + " needs --halo");
    if (outer) {
        if (s.halo.kind != HaloKind::hernquist)
            throw Refusal("--halo-outer is for a Hernquist halo (an NFW halo's taper starts at r200)");
        s.halo_outer = t.halo_outer;
    }
    if (decay) {
        const HaloParameters tapered = with_taper(s.halo, {s.halo_particles > 0, s.halo_outer, 0.0});
        if (!(tapered.edge > 0.0))
            throw Refusal("--halo-decay needs a tapered halo (NFW, or Hernquist with --halo-particles or --halo-outer)");
        if (t.halo_decay > tapered.edge) {
            char text[160];
            std::snprintf(text, sizeof text, "--halo-decay: expected at most the taper's edge radius %.6g, found %.6g",
                          tapered.edge, t.halo_decay);
            throw Refusal(text);
        }
        s.halo_decay = t.halo_decay;
    }
}

// --bulge-type and --halo-type: a component named by type code excludes naming it
// otherwise, and two components cannot share a code. Type 2 is the code galvel writes
// for the disk population, so a bulge or halo of that code could not be told from the
// disk in the model written.
void settle_types(const CLI::App& app, const Settings& s) {
    if (s.bulge_type && app.count("--bulge") > 0)
        throw Refusal("--bulge and --bulge-type both name the bulge: give one (the last N particles, or type code T)");
    if (s.halo_type && app.count("--halo") > 0)
        throw Refusal("--halo-type names a halo the model holds, --halo an analytic one: give one");
    if (s.halo_type && app.count("--halo-particles") > 0)
        throw Refusal("--halo-particles draws a halo that --halo-type says the model already holds: give one");
    if (s.halo_type && s.bulge > 0)
        throw Refusal("--bulge counts the last particles, --halo-type picks particles by code wherever they are: "
                      "with --halo-type name the bulge by --bulge-type");
    if (s.bulge_type && *s.bulge_type == halo_type && app.count("--halo-particles") > 0)
        throw Refusal("--bulge-type 1 with --halo-particles: the halo particles galvel draws are written as type 1, "
                      "the bulge's code");
    if (s.bulge_type && s.halo_type && *s.bulge_type == *s.halo_type)
        throw Refusal("--bulge-type and --halo-type are both " + std::to_string(*s.bulge_type) +
                      ": bulge and halo need different type codes");
    for (const auto& [name, code] : {std::pair{"--bulge-type", s.bulge_type}, std::pair{"--halo-type", s.halo_type}})
        if (code && *code == disk_type)
            throw Refusal(std::string(name) + " " + std::to_string(disk_type) +
                          ": type 2 is the disk population's code in the model galvel writes (give the disk another "
                          "code first, for example with snapconv)");
}

// What depends on whether an option was given, or on two of them together.
void settle(const CLI::App& app, Options& o, const Typed& t) {
    Settings& s = o.settings;
    settle_types(app, s);
    if (app.count("--halo") > 0) parse_halo(t.halo, s.halo);
    if (app.count("--halo-particles") > 0 && app.count("--halo") == 0)
        throw Refusal("--halo-particles needs --halo (the profile to draw them from)");
    if (app.count("--units") > 0) {
        std::string unused;
        s.units = parse_units(t.units, unused);
        s.G = s.units->G;
    }
    if (app.count("--spherical") > 0)
        s.spherical = t.spherical == "moments" ? SphericalMethod::moments : SphericalMethod::eddington;
    settle_taper(app, s, t);
    if (app.count("--q-radius") > 0) s.q_radius = t.q_radius;
    if (app.count("--scale-length") > 0) s.scale_length = t.scale_length;
    if (app.count("--to") > 0) o.to = parse_format_name(t.to);
    s.vertical = t.vertical == "sheet" ? VerticalRule::sheet : VerticalRule::jeans;
    if (app.count("--jitter") > 0) o.jitter = t.jitter;
    if (app.count("--check") > 0) o.check = t.check;
    s.threads = app.count("--threads") > 0 ? t.threads : available_cpus();
    settle_gas(app, t.gas, s);
}

}  // namespace

std::optional<Options> read_command_line(int argc, const char* const* argv) {
    CLI::App app{description};
    app.set_version_flag("--version", std::string("galvel (galaxy toolkit) ") + GALTK_VERSION);
    Options o;
    Typed t;
    add_options(app, o, t);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        app.exit(e);
        return std::nullopt;
    } catch (const CLI::CallForVersion& e) {
        app.exit(e);
        return std::nullopt;
    } catch (const CLI::ValidationError& e) {
        throw Refusal(e.what());
    } catch (const CLI::ParseError& e) {
        throw Refusal(std::string(e.what()) + " (see --help)");
    }
    settle(app, o, t);
    return o;
}

std::optional<Options> read_command_line(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"galvel"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    return read_command_line(static_cast<int>(argv.size()), argv.data());
}

}  // namespace galtk::galvel
