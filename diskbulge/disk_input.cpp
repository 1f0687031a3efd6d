#include "disk_input.hpp"

#include <algorithm>
#include <cstddef>
#include <string>

#include "list_reader.hpp"
#include "reserve.hpp"
#include "run.hpp"

namespace diskbulge {

DiskHeader read_disk_header(galtk::Unit& sip2) {
    DiskHeader h;
    galtk::read_list(sip2, {"line 1 (num)"}, h.num);
    if (h.num < 0)
        sip2.run().refuse("sip2.dat line 1: the particle count num = " + std::to_string(h.num) +
                          " must be 0 or more");
    galtk::read_list(sip2, {"line 2 (ncomp)"}, h.ncomp);
    // A disk snapshot announces 4 and carries five entries per list line.
    if (h.ncomp == 4) h.ncomp = 5;
    if (h.ncomp < 0 || h.ncomp > type_slots)
        sip2.run().refuse("sip2.dat line 2: ncomp = " + std::to_string(h.ncomp) +
                          " must lie between 0 and 10, one entry per type code 0 to 9");
    const auto n = static_cast<std::size_t>(h.ncomp);
    galtk::read_list(sip2, {"line 3 (hpar)"}, galtk::reals(std::span<float>(h.hpar.data(), n)));
    galtk::read_list(sip2, {"line 4 (hmass)"}, galtk::reals(std::span<float>(h.hmass.data(), n)));
    return h;
}

std::vector<galtk::ParticleRecord> read_disk_records(galtk::Unit& sip2, std::int32_t num) {
    std::vector<galtk::ParticleRecord> disk;
    galtk::reserve_rows(disk, static_cast<std::size_t>(std::max(num, 0)));
    for (std::int32_t i = 1; i <= num; ++i) {
        galtk::ParticleRecord rec;  // a null value leaves 0
        galtk::read_particle_record(sip2, {"particle record", i}, rec);
        if (rec.type < 0 || rec.type >= type_slots)
            sip2.run().refuse("sip2.dat particle record " + std::to_string(i) + ": type code " +
                              std::to_string(rec.type) + " lies outside 0 to 9");
        disk.push_back(rec);
    }
    return disk;
}

}  // namespace diskbulge
