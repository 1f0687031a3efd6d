#include "particle_files.hpp"

#include "list_reader.hpp"
#include "list_writer.hpp"

namespace galtk {

void write_snapshot_header(Unit& unit, std::int32_t ntot, float thead, std::int32_t ncomp,
                           std::span<const float> hpar, std::span<const float> hmass) {
    write_list(unit, ntot, thead);
    write_list(unit, ncomp);
    write_list(unit, reals(hpar));
    write_list(unit, reals(hmass));
}

void write_particle_record(Unit& unit, const float pos[3], const float vel[3], std::int32_t type,
                           std::optional<float> mass) {
    if (mass) {
        write_list(unit, pos[0], pos[1], pos[2], vel[0], vel[1], vel[2], type, *mass);
    } else {
        write_list(unit, pos[0], pos[1], pos[2], vel[0], vel[1], vel[2], type);
    }
}

void read_particle_record(Unit& unit, const What& what, ParticleRecord& rec) {
    read_list(unit, what, rec.pos[0], rec.pos[1], rec.pos[2], rec.vel[0], rec.vel[1], rec.vel[2], rec.type);
}

std::int32_t read_position_list_count(Unit& unit, const What& what) {
    std::int32_t n = 0;
    read_list(unit, what, n);
    return n;
}

void read_position(Unit& unit, const What& what, float pos[3]) { read_list(unit, what, pos[0], pos[1], pos[2]); }

}  // namespace galtk
