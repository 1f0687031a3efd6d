#include "merged_snapshot.hpp"

#include "list_writer.hpp"
#include "particle_files.hpp"

namespace diskbulge {

namespace {

class Tallier {
public:
    Tallier(galtk::Unit& tinit, galtk::Unit& console, const DiskHeader& header)
        : tinit_(tinit), console_(console), header_(header) {}

    // Writes one record and counts it in the slot of its type.
    void put(const float pos[3], const float vel[3], std::int32_t type) {
        galtk::write_particle_record(tinit_, pos, vel, type);
        const auto t = static_cast<std::size_t>(type);
        tally_.tmcom[t] = tally_.tmcom[t] + header_.hmass[t];
        tally_.ncom[t] += 1;
        if (type == 1 && !centre_shown_) {
            galtk::write_list(console_, "center particle", pos[0], pos[1], pos[2], vel[0], vel[1], vel[2]);
            centre_shown_ = true;
        }
    }

    const TypeTally& tally() const { return tally_; }

private:
    galtk::Unit& tinit_;
    galtk::Unit& console_;
    const DiskHeader& header_;
    TypeTally tally_;
    bool centre_shown_ = false;
};

}  // namespace

TypeTally write_merged_snapshot(galtk::Unit& tinit, galtk::Unit& console, const DiskHeader& header,
                                std::span<const galtk::ParticleRecord> disk,
                                std::span<const BulgePosition> bulge) {
    const auto ntot = static_cast<std::int32_t>(disk.size() + bulge.size());
    galtk::write_snapshot_header(tinit, ntot, 0.0f, header.ncomp, header.softenings(), header.masses());
    Tallier out(tinit, console, header);
    for (const galtk::ParticleRecord& rec : disk) out.put(rec.pos, rec.vel, rec.type);
    constexpr float rest[3] = {0.0f, 0.0f, 0.0f};
    for (const BulgePosition& pos : bulge) out.put(pos.data(), rest, 1);
    return out.tally();
}

}  // namespace diskbulge
