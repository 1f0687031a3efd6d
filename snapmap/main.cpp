// snapmap: projected maps of a particle model, written as the map files that projmap
// collects and, if asked, as a picture. One straight run: options, model (the types asked
// for), extent, maps, files, one summary line. Failures: one line on standard error,
// status 1 for a refused option or value, 2 for a file that cannot be read or written;
// earlier outputs are kept.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>

#include "binning.hpp"
#include "extent.hpp"
#include "map_file.hpp"
#include "output_file.hpp"
#include "options.hpp"
#include "picture.hpp"
#include "program_failure.hpp"
#include "progress.hpp"
#include "selection.hpp"
#include "snapshot_io.hpp"
#include "summary.hpp"

namespace {

// Masses must be 0 or more for the maps to be mass-weighted averages; kinematic maps need
// finite velocities.
void check_model(const std::string& input, const galtk::ParticleSet& model, bool need_velocities) {
    for (std::size_t k = 0; k < model.size(); ++k) {
        if (!(model.mass[k] >= 0.0f) || !std::isfinite(model.mass[k])) {
            char mass[32];  // as the file has it (shortest form that reads back), not "-1.000000"
            std::snprintf(mass, sizeof mass, "%.9g", double(model.mass[k]));
            throw galtk::FormatError(2, input + ": particle " + std::to_string(k + 1) + ": mass " + mass +
                                            ", expected a finite mass of 0 or more");
        }
        const galtk::Vec3& v = model.vel[k];
        if (need_velocities && !(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z)))
            throw galtk::FormatError(2, input + ": particle " + std::to_string(k + 1) +
                                            ": velocity not finite, expected finite velocities for a kinematic map");
    }
}

// Bytes the system can still give (MemAvailable), else its physical memory; 0 if unknown.
double available_memory() {
    if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        long long kib = -1;
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) break;
        std::fclose(f);
        if (kib >= 0) return double(kib) * 1024.0;
    }
    return double(::sysconf(_SC_PHYS_PAGES)) * double(::sysconf(_SC_PAGESIZE));
}

// The grid asked for, with the default extent where none was given.
snapmap::Grid choose_grid(const snapmap::Options& o, const snapmap::ModelFacts& facts) {
    snapmap::Grid grid;
    grid.nmesh = o.nmesh;
    if (o.extent) {
        grid.extent = *o.extent;
        return grid;
    }
    grid.extent = static_cast<float>(snapmap::extent_above(facts.r99));
    if (!(grid.extent > 0.0f))
        throw galtk::FormatError(1, o.input + (facts.total_mass > 0.0
                                                   ? ": 99% of the mass lies at the origin: give --extent"
                                                   : ": the model has no mass (a position list needs --position-mass): give --extent"));
    return grid;
}

// Refused before the sums are touched: the kernel would rather end the process than report
// a failed allocation. The model is already in memory.
void check_memory(const snapmap::Options& o, const snapmap::Grid& grid) {
    const double need = snapmap::map_memory(o.views.size(), grid, o.quantity);
    const double have = available_memory();
    if (have > 0.0 && need > have)
        throw galtk::FormatError(2, "out of memory: " + std::to_string(o.views.size()) + " maps of " +
                                        std::to_string(o.nmesh) + " x " + std::to_string(o.nmesh) + " cells need " +
                                        std::to_string(static_cast<long long>(need / 1048576)) + " MiB, " +
                                        std::to_string(static_cast<long long>(have / 1048576)) + " MiB are available");
}

}  // namespace

int main(int argc, char** argv) {
    galtk::remove_temporaries_on_signals();
    try {
        const snapmap::Options o = snapmap::parse_options(argc, argv);
        // On a terminal only: how far the reading is, then the time the maps take.
        galtk::Progress progress("snapmap");
        progress.stage_reading(o.input);
        galtk::ParticleSet model = galtk::read_snapshot(o.input, o.read);
        progress.stage("making " + std::to_string(o.views.size()) + (o.views.size() == 1 ? " map" : " maps"));
        const bool kinematic = o.quantity != snapmap::Quantity::density;
        // The whole file is checked, so that a message names a particle by its place there.
        check_model(o.input, model, kinematic);
        const std::size_t particles_read = model.size();
        if (!o.types.empty()) model = snapmap::select_types(std::move(model), o.types);
        snapmap::ModelFacts facts = snapmap::model_facts(model, !o.extent, kinematic);
        facts.particles_read = particles_read;

        const snapmap::Grid grid = choose_grid(o, facts);
        check_memory(o, grid);
        const snapmap::Maps maps = snapmap::make_maps(model, o.views, grid, o.assignment, o.quantity);

        progress.end_stage();
        // Both outputs complete before either replaces an earlier file.
        std::optional<galtk::OutputFile> map_out, png_out;
        if (!o.map_file.empty()) snapmap::write_map_file(maps, map_out.emplace(o.map_file));
        if (!o.png_file.empty()) snapmap::write_picture(maps, png_out.emplace(o.png_file));
        galtk::commit_together({map_out ? &*map_out : nullptr, png_out ? &*png_out : nullptr});
        std::printf("%s\n", snapmap::summary_line(o, model, facts, maps).c_str());
        return std::fflush(stdout) == 0 ? 0 : galtk::end_with_failure("snapmap", 2, "cannot write the summary line to standard output");
    } catch (const galtk::FormatError& e) {
        return galtk::end_with_failure("snapmap", e.status, e.what());
    } catch (const std::bad_alloc&) {
        return galtk::end_with_failure("snapmap", 2, "out of memory: the model or the maps do not fit");
    } catch (const std::exception& e) {
        return galtk::end_with_failure("snapmap", 2, e.what());
    }
}
