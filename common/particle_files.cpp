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

void write_particle_record(Unit& unit, const Vec3& pos, const Vec3& vel, std::int32_t type,
                           std::optional<float> mass) {
    if (mass) {
        write_list(unit, pos.x, pos.y, pos.z, vel.x, vel.y, vel.z, type, *mass);
    } else {
        write_list(unit, pos.x, pos.y, pos.z, vel.x, vel.y, vel.z, type);
    }
}

void read_particle_record(Unit& unit, const What& what, ParticleRecord& rec) {
    read_list(unit, what, rec.pos.x, rec.pos.y, rec.pos.z, rec.vel.x, rec.vel.y, rec.vel.z, rec.type);
}

}  // namespace galtk
