#include "merged_snapshot.hpp"

#include "list_writer.hpp"

namespace diskbulge {

namespace {

// Bulge particles are of type 1 and at rest; the first record of type 1, from the disk
// or the bulge, is the centre particle the console shows.
constexpr std::int32_t bulge_type = 1;
constexpr std::int32_t centre_type = 1;
constexpr galtk::Vec3 at_rest{};

void show_centre_particle(galtk::Unit& console, const galtk::Vec3& pos, const galtk::Vec3& vel) {
    galtk::write_list(console, "center particle", pos.x, pos.y, pos.z, vel.x, vel.y, vel.z);
}

}  // namespace

TypeTally tally_types(const DiskHeader& header, std::span<const galtk::ParticleRecord> disk, std::size_t nbulge) {
    TypeTally tally;
    const auto add = [&](std::int32_t type) {
        const auto t = static_cast<std::size_t>(type);
        tally.tmcom[t] = tally.tmcom[t] + header.hmass[t];
        tally.ncom[t] += 1;
    };
    for (const galtk::ParticleRecord& rec : disk) add(rec.type);
    for (std::size_t j = 0; j < nbulge; ++j) add(bulge_type);
    return tally;
}

void write_merged_snapshot(galtk::Unit& tinit, galtk::Unit& console, const DiskHeader& header,
                           std::span<const galtk::ParticleRecord> disk, std::span<const galtk::Vec3> bulge) {
    const auto ntot = static_cast<std::int32_t>(disk.size() + bulge.size());
    galtk::write_snapshot_header(tinit, ntot, 0.0f, header.ncomp, header.softenings(), header.masses());
    bool centre_shown = false;
    for (const galtk::ParticleRecord& rec : disk) {
        galtk::write_particle_record(tinit, rec.pos, rec.vel, rec.type);
        if (rec.type == centre_type && !centre_shown) {
            show_centre_particle(console, rec.pos, rec.vel);
            centre_shown = true;
        }
    }
    for (const galtk::Vec3& pos : bulge) {
        galtk::write_particle_record(tinit, pos, at_rest, bulge_type);
        if (!centre_shown) {
            show_centre_particle(console, pos, at_rest);
            centre_shown = true;
        }
    }
}

}  // namespace diskbulge
