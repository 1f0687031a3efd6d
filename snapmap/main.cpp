// snapmap: projected maps of a particle model, written as the map files that projmap
// collects and, if asked, as a picture. One straight run: options, model, extent, maps,
// files, one summary line. Failures: one line on standard error, status 1 for a refused
// option or value, 2 for a file that cannot be read or written; earlier outputs are kept.
#include <cmath>
#include <cstdio>
#include <optional>
#include <exception>
#include <new>
#include <string>

#include "binning.hpp"
#include "destination.hpp"
#include "extent.hpp"
#include "map_file.hpp"
#include "options.hpp"
#include "picture.hpp"
#include "snapshot_io.hpp"
#include "summary.hpp"

namespace {

int fail(int status, const std::string& message) {
    std::fprintf(stderr, "snapmap: %s\n", message.c_str());
    return status;
}

// Masses must be 0 or more for the maps to be mass-weighted averages; kinematic maps need
// finite velocities.
void check_model(const std::string& input, const galtk::ParticleSet& model, bool need_velocities) {
    for (std::size_t k = 0; k < model.size(); ++k) {
        if (!(model.mass[k] >= 0.0f) || !std::isfinite(model.mass[k]))
            throw galtk::FormatError(2, input + ": particle " + std::to_string(k + 1) + ": mass " +
                                            std::to_string(model.mass[k]) + ", expected a finite mass of 0 or more");
        const galtk::Vec3& v = model.vel[k];
        if (need_velocities && !(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z)))
            throw galtk::FormatError(2, input + ": particle " + std::to_string(k + 1) +
                                            ": velocity not finite, expected finite velocities for a kinematic map");
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const snapmap::Options o = snapmap::parse_options(argc, argv);
        const galtk::ParticleSet model = galtk::read_snapshot(o.input, o.read);
        const bool kinematic = o.quantity != snapmap::Quantity::density;
        check_model(o.input, model, kinematic);
        const snapmap::ModelFacts facts = snapmap::model_facts(model, kinematic);

        snapmap::Grid grid;
        grid.nmesh = o.nmesh;
        if (o.extent) {
            grid.extent = *o.extent;
        } else {
            grid.extent = snapmap::default_extent(model);
            if (!(grid.extent > 0.0f))
                return fail(1, o.input + (facts.total_mass > 0.0 ? ": 99% of the mass lies at the origin: give --extent"
                                                                 : ": the model has no mass (a position list needs --position-mass): give --extent"));
        }
        const snapmap::Maps maps = snapmap::make_maps(model, o.views, grid, o.assignment, o.quantity);

        // Both outputs complete before either replaces an earlier file.
        std::optional<snapmap::Destination> map_out, png_out;
        if (!o.map_file.empty()) snapmap::write_map_file(maps, map_out.emplace(o.map_file));
        if (!o.png_file.empty()) snapmap::write_picture(maps, png_out.emplace(o.png_file));
        if (map_out) map_out->commit();
        if (png_out) png_out->commit();
        std::printf("%s\n", snapmap::summary_line(o, model, facts, maps).c_str());
        return std::fflush(stdout) == 0 ? 0 : fail(2, "cannot write the summary line to standard output");
    } catch (const galtk::FormatError& e) {
        return fail(e.status, e.what());
    } catch (const std::bad_alloc&) {
        return fail(2, "out of memory: the model or the maps do not fit");
    } catch (const std::exception& e) {
        return fail(2, e.what());
    }
}
