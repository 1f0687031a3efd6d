#include "model_output.hpp"

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string>

#include "list_writer.hpp"
#include "particle_files.hpp"

namespace galmix {

namespace {

struct ComponentOutput {
    const char* first_text;    // console label of the mass per particle and the count
    const char* closing_text;  // console label of the running total
    float fraction;
    std::int32_t count;
    const PositionList& list;
    bool is_disk;   // its first particle is the centre particle
    bool is_bulge;  // scaled by rgal only (bscale was applied when it was read)
};

std::int32_t total_particles(galtk::Run& run, const ComponentCounts& n) {
    const std::int64_t ntot = std::int64_t{n.num} + n.nbar + n.nspi + n.nr1 + n.nr2 + n.nbu;
    if (ntot > std::numeric_limits<std::int32_t>::max()) {
        run.refuse("the model would hold " + std::to_string(ntot) +
                   " particles, more than a snapshot header can count (2147483647)");
    }
    return static_cast<std::int32_t>(ntot);
}

// A position as written: disk, bar, spiral and rings scaled by rdisk and then by rgal,
// (rdisk * c) * rgal, two roundings in this order; the bulge by rgal only (bscale was
// applied as it was read).
galtk::Vec3 scaled(const galtk::Vec3& c, const RunParameters& p, bool is_bulge) {
    if (is_bulge) return {p.rgal * c.x, p.rgal * c.y, p.rgal * c.z};
    return {(p.rdisk * c.x) * p.rgal, (p.rdisk * c.y) * p.rgal, (p.rdisk * c.z) * p.rgal};
}

}  // namespace

void write_model(galtk::Run& run, galtk::Unit& tinit, const RunParameters& p, const Model& model) {
    galtk::Unit& console = run.console();
    const ComponentCounts& n = model.counts;
    const DiskHeader& header = model.header;

    // Each header mass is the equal share 1/ntot (infinite for an empty model); a reader
    // that needs true masses takes the eighth item of each record.
    const std::int32_t ntot = total_particles(run, n);
    std::array<float, max_ncomp> hmass{};
    const auto entries = static_cast<std::size_t>(header.ncomp);
    for (std::size_t j = 0; j < entries; ++j) hmass[j] = 1.0f / static_cast<float>(ntot);
    galtk::write_snapshot_header(tinit, ntot, header.thead, header.ncomp,
                                 std::span<const float>(header.hpar).first(entries),
                                 std::span<const float>(hmass).first(entries));

    const ComponentOutput components[] = {
        {"tmp, disk", "totm (d)", p.fdisk, n.num, model.disk, true, false},
        {"tmp, nbar", "totm (b)", p.fbar, n.nbar, model.bar, false, false},
        {"tmp, spiral", "totm (s)", p.fspi, n.nspi, model.spiral, false, false},
        {"tmp, inner ring", "totm (r1)", p.fr1, n.nr1, model.inner_ring, false, false},
        {"tmp, outer ring", "totm (r2)", p.fr2, n.nr2, model.outer_ring, false, false},
        {"tmp, bulge", "totm", p.fbul, n.nbu, model.bulge, false, true},
    };
    constexpr galtk::Vec3 velocity{};
    constexpr std::int32_t type = 1;

    // The running total is never reset: each closing line shows all mass written so far.
    float totm = 0.0f;
    for (const ComponentOutput& comp : components) {
        if (comp.count == 0) continue;
        const float tmp = comp.fraction / static_cast<float>(comp.count);
        if (comp.is_bulge) {
            galtk::write_list(console, comp.first_text, tmp, comp.count, p.fbul);
        } else {
            galtk::write_list(console, comp.first_text, tmp, comp.count);
        }
        for (std::int32_t i = 0; i < comp.count; ++i) {
            galtk::Vec3 c = comp.list[static_cast<std::size_t>(i)];
            if (comp.is_disk && i == 0) {
                c = galtk::Vec3{};
                galtk::write_list(console, "center particle", c.x, c.y, c.z);
            }
            galtk::write_particle_record(tinit, scaled(c, p, comp.is_bulge), velocity, type, tmp);
            totm = totm + tmp;
        }
        galtk::write_list(console, comp.closing_text, totm);
    }
}

}  // namespace galmix
