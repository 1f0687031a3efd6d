#include "disk_input.hpp"

#include <string>

#include "list_reader.hpp"
#include "position_file.hpp"
#include "reserve.hpp"
#include "run.hpp"

namespace galmix {

void read_disk_and_select_bar(galtk::Unit& di, const RunParameters& p, Model& model) {
    DiskHeader& header = model.header;
    std::int32_t& num = model.counts.num;
    std::int32_t& nbar = model.counts.nbar;

    num = 0;
    galtk::read_list(di, {"header line 1 (num, thead)"}, num, header.thead);
    if (num < 0) di.run().refuse(negative_particle_count(di, num));
    galtk::read_list(di, {"header line 2 (ncomp)"}, header.ncomp);
    // The model's header repeats ncomp entries of softening lengths and masses, and a
    // model carries at most five particle types.
    if (header.ncomp < 0 || header.ncomp > max_ncomp) {
        di.run().refuse("ncomp " + std::to_string(header.ncomp) + " on line 2 of " + di.name() + " is outside 0 .. " +
                        std::to_string(max_ncomp));
    }
    // Always five values each, whatever ncomp holds; the masses are not used.
    std::array<float, 5> hmass{};
    galtk::read_list(di, {"header line 3 (hpar)"}, galtk::reals(header.hpar));
    galtk::read_list(di, {"header line 4 (hmass)"}, galtk::reals(hmass));

    galtk::reserve_rows(model.disk, static_cast<std::size_t>(num));
    const bool select_bar = p.fbar != 0.0f;
    const BarEllipse ellipse(p.bara, p.barb);
    nbar = 0;
    float vx = 0.0f, vy = 0.0f, vz = 0.0f;
    std::int32_t type = 0;
    for (std::int32_t i = 1; i <= num; ++i) {
        galtk::Vec3 pos;
        galtk::read_list(di, {"disk particle record", i}, pos.x, pos.y, pos.z, vx, vy, vz, type);
        model.disk.push_back(pos);
        // Tested on the position as read, before any scaling; the particle stays in the
        // disk too, so a bar particle is a second particle at a disk particle's place.
        if (select_bar && ellipse.contains(pos.x, pos.y)) {
            ++nbar;
            model.bar.push_back(pos);
        }
    }
}

}  // namespace galmix
