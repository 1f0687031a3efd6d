// galvel: gives a particle model of a disk galaxy the velocities of a rotating galaxy in
// equilibrium by the Jeans-moment method (Hernquist 1993): reads the model, computes the
// field of its particles and of an optional analytic halo, draws every velocity from the
// moments of the Jeans equations, writes the model back with velocities (through a
// temporary file), optionally the profile table, and prints one summary line.
#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "analytic_halo_note.hpp"
#include "check_report.hpp"
#include "coincident.hpp"
#include "equilibrium.hpp"
#include "finite_check.hpp"
#include "options.hpp"
#include "output_file.hpp"
#include "profile_file.hpp"
#include "refusal.hpp"
#include "program_failure.hpp"
#include "progress.hpp"
#include "snapshot_io.hpp"
#include "summary.hpp"
#include "units.hpp"

namespace {

using namespace galtk;
using namespace galtk::galvel;

constexpr const char* program = "galvel";

// The input's format unless --to; a position list has no velocities: text then.
SnapshotFormat output_format(const Options& o) {
    if (o.to) return *o.to;
    const SnapshotFormat in = detect_format(o.input);
    return in == SnapshotFormat::positions ? SnapshotFormat::text : in;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<Options> read;
    try {
        read = read_command_line(argc, argv);
    } catch (const Refusal& e) {
        return galtk::end_with_failure(program, 1, e.what());
    }
    if (!read) return 0;   // --help or --version
    const Options& o = *read;
    const Settings& settings = o.settings;

    remove_temporaries_on_signals();
    try {
        const SnapshotFormat to = output_format(o);
        if (settings.gas.present && to == SnapshotFormat::text)
            return galtk::end_with_failure(program, 1,
                                           o.output + ": a text snapshot has no place for the gas's internal energy, "
                                                      "density and smoothing length; give --to gadget1|gadget2|hdf5|tipsy");
        galtk::Progress progress(program);  // on a terminal only; erased before any message
        progress.stage_reading(o.input);
        ParticleSet set = read_snapshot(o.input);
        progress.stage("velocities of " + std::to_string(set.size()) + " particles");
        const Outcome outcome = give_velocities(set, settings);
        refuse_non_finite(set, outcome);
        if (settings.units) set.units = model_units(*settings.units);
        std::optional<CheckResult> check;
        if (o.check) {
            progress.stage("orbits of the check");
            check = check_model(set, outcome, *o.check, settings.threads);
        }
        progress.stage("writing " + o.output, 0, galtk::Progress::Measure::bytes_written);
        set.analytic_halo = unheld_halo(settings, outcome);
        Handover handover{o.output, format_name(to), count_coincident(set), std::nullopt};
        if (o.jitter && handover.coincident > 0) handover.jitter = jitter_coincident(set, *o.jitter, -4711);
        // The model and the profile complete before either replaces an earlier file.
        OutputFile model(o.output);
        const std::string lost = write_snapshot(model, set, to);
        std::optional<OutputFile> profile, check_table;
        if (!o.profile.empty()) write_profile(profile.emplace(o.profile), outcome);
        if (!o.check_output.empty()) write_check_table(check_table.emplace(o.check_output), *check);
        commit_together({&model, profile ? &*profile : nullptr, check_table ? &*check_table : nullptr});
        progress.end_stage();
        const AnalyticHalo halo(outcome.halo_parameters, settings.G);
        std::printf("%s: %s\n", program, summary_line(outcome, halo, handover).c_str());
        if (!lost.empty()) std::fprintf(stderr, "%s: %s\n", program, lost.c_str());
        if (std::string hint = coincident_hint(handover); !hint.empty()) std::printf("%s: %s\n", program, hint.c_str());
        const std::size_t equal = equal_mass_count(set, halo.total_mass());
        for (const std::string& hint :
             {round_component_hint(set), analytic_halo_hint(set, o.output, equal),
              outcome.halo > 0 ? heavy_halo_hint(set, outcome.codes.halo, outcome.halo_in_model) : std::string()})
            if (!hint.empty()) std::printf("%s: %s\n", program, hint.c_str());
        if (check)
            for (const std::string& line : check_lines(*check)) std::printf("%s: %s\n", program, line.c_str());
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
