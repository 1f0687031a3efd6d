// snapconv: converts a particle model between the toolkit's text snapshot (or a position
// list) and the formats simulation codes start from: GADGET-2 binary format 1 and 2, HDF5
// (GADGET-4, AREPO, SWIFT) and tipsy (ChaNGa). Reads the whole input, checks it, writes
// the output through a temporary file, prints one summary line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <future>
#include <new>
#include <string>

#include "analytic_halo_note.hpp"
#include "cli_checks.hpp"
#include "code_preset.hpp"
#include "coincident.hpp"
#include "output_file.hpp"
#include "particle_order.hpp"
#include "progress.hpp"
#include "program_failure.hpp"
#include "snapshot_io.hpp"
#include "summary.hpp"

namespace {

constexpr const char* program = "snapconv";

struct Options {
    std::string input, output, to, from, type_map, units, code;
    double box = 0.0;
    float mass = 0.0f;
    bool allow_nonfinite = false;
    bool tipsy_stars = false;
    bool drop_gas = false;
    float jitter = 0.0f;
    std::int32_t seed = 4711;
};

const std::string format_list = "text|gadget1|gadget2|hdf5|tipsy";

// Whether the input is tipsy (--from, or detected; an input that cannot be opened is
// reported by the reading).
bool tipsy_input(const Options& o) {
    if (!o.from.empty()) return o.from == "tipsy";
    try {
        return galtk::detect_format(o.input) == galtk::SnapshotFormat::tipsy;
    } catch (const galtk::FormatError&) {
        return true;
    }
}

// What CLI11's validators cannot check: the output format from the name, the type map and
// units (structured values), and options that apply to one output format only. The first
// refusal as text, or empty.
std::string check(const Options& o, galtk::ReadOptions& read, galtk::WriteOptions& write,
                  galtk::SnapshotFormat& to, snapconv::Explicit& given) {
    if (!o.to.empty()) {
        to = *galtk::parse_format_name(o.to);
    } else if (!o.code.empty()) {
        // the code's format, below
    } else if (auto f = galtk::format_from_extension(o.output)) {
        to = *f;
    } else {
        return "--to is required (text|gadget1|gadget2|hdf5|tipsy) unless the output name ends in .hdf5 or .h5";
    }
    if (!o.from.empty()) read.format = *galtk::parse_format_name(o.from);
    write.box = o.box;
    if (!o.type_map.empty()) {
        std::string error;
        auto map = galtk::parse_type_map(o.type_map, error);
        if (!map) return "--type-map " + o.type_map + ": " + error;
        write.type_map = *map;
    }
    read.position_mass = o.mass;
    if (!o.units.empty()) {
        write.units = galtk::parse_swift_units(o.units);
        if (!write.units) return "--units " + o.units + ": expected \"galactic\" or UL,UM,Ut[,UI,UT] in cgs, each above 0";
    }
    if (!o.code.empty()) {
        given = {std::nullopt, !o.type_map.empty(), o.box > 0.0, write.units.has_value()};
        if (!o.to.empty()) given.to = to;
        if (std::string why = snapconv::apply_preset(*snapconv::parse_code(o.code), given, to, write); !why.empty())
            return why;
    }
    if (write.units) {
        read.units = galtk::model_units(*write.units);
        if (to != galtk::SnapshotFormat::hdf5 && to != galtk::SnapshotFormat::tipsy && !tipsy_input(o))
            return "--units applies to tipsy input, tipsy output and HDF5 output only";
    }
    if (o.tipsy_stars && to != galtk::SnapshotFormat::tipsy) return "--tipsy-stars applies to tipsy output only";
    read.allow_nonfinite = write.allow_nonfinite = o.allow_nonfinite;
    write.tipsy_stars = o.tipsy_stars;
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"snapconv: converts a particle model between the toolkit's text snapshot and the formats of "
                 "N-body codes (GADGET-2 binary format 1 and 2, HDF5 for GADGET-4/AREPO/SWIFT, tipsy for ChaNGa)"};
    app.set_version_flag("--version", std::string(program) + " (galaxy toolkit) " + GALTK_VERSION);
    Options o;
    app.add_option("input", o.input, "model to read (format detected, or --from)")->required();
    app.add_option("output", o.output, "file to write (through a temporary file in its folder)")->required();
    const auto outputs = CLI::IsMember({"text", "gadget1", "gadget2", "hdf5", "tipsy"});
    app.add_option("--to", o.to, "output format: " + format_list + " (HDF5 by default for .hdf5/.h5)")->check(outputs);
    app.add_option("--from", o.from, "input format, instead of detecting it: text|positions|gadget1|gadget2|hdf5|tipsy")
        ->check(CLI::IsMember({"text", "positions", "gadget1", "gadget2", "hdf5", "tipsy"}));
    app.add_option("--box", o.box, "BoxSize L; every position moves by L/2 into [0, L)^3 (SWIFT)")
        ->check(galtk::cli::non_negative<double>());
    app.add_option("--type-map", o.type_map, "text type code = particle type 0..5, e.g. 1=2,3=3");
    app.add_option("--mass", o.mass, "mass of each particle of a position list")->check(galtk::cli::non_negative<float>());
    app.add_option("--units", o.units, "the model's units: SWIFT Units group of an HDF5 output, velocity unit of tipsy's gas temperatures; galactic or UL,UM,Ut[,UI,UT] (cgs)");
    app.add_flag("--drop-gas", o.drop_gas, "leave out the gas fields (u, density, h); needed for text output of a model with gas");
    app.add_option("--code", o.code, "the simulation code: gadget2|gadget4|arepo|swift|changa sets the format, type map, "
                                     "box and units it reads (docs/snapconv.md)")
        ->check(CLI::IsMember({"gadget2", "gadget4", "arepo", "swift", "changa"}));
    app.add_flag("--allow-nonfinite", o.allow_nonfinite, "pass non-finite positions and masses");
    app.add_flag("--tipsy-stars", o.tipsy_stars, "tipsy: write the particles as stars, not dark matter");
    auto* jitter_opt = app.add_option("--jitter", o.jitter, "move each particle that shares its position with an earlier one by at most EPS")
        ->check(galtk::cli::positive<float>());
    app.add_option("--seed", o.seed, "ran1 seed of the --jitter offsets (default 4711)");
    if (auto refused = galtk::cli::parse(app, argc, argv))
        return galtk::end_with_failure(program, 1, *refused + " (see --help)");
    const bool jitter_given = jitter_opt->count() > 0;

    galtk::ReadOptions read;
    galtk::WriteOptions write;
    galtk::SnapshotFormat to = galtk::SnapshotFormat::text;
    snapconv::Explicit given;
    if (std::string refused = check(o, read, write, to, given); !refused.empty()) return galtk::end_with_failure(program, 1, refused);

    galtk::remove_temporaries_on_signals();
    try {
        // On a terminal only: how far the reading and the writing are (destroyed, and its
        // line erased, before any message below).
        galtk::Progress progress(program);
        progress.stage_reading(o.input);
        galtk::ParticleSet set = galtk::read_snapshot(o.input, read);
        if (!o.code.empty()) {
            if (std::string why = snapconv::fit_model(*snapconv::parse_code(o.code), given, set, write); !why.empty())
                return galtk::end_with_failure(program, 1, o.input + ": " + why);
        }
        progress.stage("writing " + o.output, 0, galtk::Progress::Measure::bytes_written);
        snapconv::Conversion c{o.output, to, 0, std::nullopt};
        std::string lost;
        if (o.drop_gas) {
            c.gas_dropped = galtk::count_gas(set, write.type_map);
            set.drop_gas_fields();
        }
        c.gas = galtk::count_gas(set, write.type_map);
        if (jitter_given) {
            c.coincident = galtk::count_coincident(set);
            if (c.coincident > 0) c.jitter = galtk::jitter_coincident(set, o.jitter, o.seed);
            lost = galtk::write_snapshot(o.output, set, to, write);
        } else {
            // The count only reads the set: it runs beside the writing.
            auto count = std::async(std::launch::async, [&set] { return galtk::count_coincident(set); });
            try {
                lost = galtk::write_snapshot(o.output, set, to, write);
            } catch (...) {
                count.wait();
                throw;
            }
            c.coincident = count.get();
        }
        progress.end_stage();
        std::printf("%s: %s\n", program, snapconv::summary_line(set, c).c_str());
        // Written, but not all of it comes back: a warning, not a failure.
        if (!lost.empty()) std::fprintf(stderr, "%s: %s\n", program, lost.c_str());
        if (std::string hint = snapconv::coincident_hint(c); !hint.empty()) std::printf("%s: %s\n", program, hint.c_str());
        if (std::string hint = galtk::analytic_halo_hint(set, o.output); !hint.empty())
            std::printf("%s: %s\n", program, hint.c_str());
        return 0;
    } catch (const galtk::FormatError& e) {
        return galtk::end_with_failure(program, e.status, e.what());
    } catch (const std::bad_alloc&) {
        return galtk::end_with_failure(program, 2, "out of memory: the input asks for more particles than fit");
    }
}
