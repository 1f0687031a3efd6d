#include "disk_snapshot.hpp"

#include <array>

#include "particle_files.hpp"
#include "single_precision.hpp"

namespace diskgen {

float particle_mass(float dmass, std::size_t n) {
    const float count = static_cast<float>(n);  // n converted to real first
    return f32(d(dmass) / d(count));
}

float write_disk_snapshot(galtk::Unit& sip2, std::span<const galtk::Vec3> x1, float soft, float pmass) {
    const std::array<float, 5> hpar{soft, soft, soft, soft, soft};
    const std::array<float, 5> hmass{pmass, pmass, pmass, pmass, pmass};
    galtk::write_snapshot_header(sip2, static_cast<std::int32_t>(x1.size()), 0.0f, 4, hpar, hmass);

    constexpr galtk::Vec3 rest{};
    float totm = 0.0f;
    for (std::size_t i = 0; i < x1.size(); ++i) {
        // The first record is the centre particle, moved to the origin in the output only.
        galtk::write_particle_record(sip2, i == 0 ? rest : x1[i], rest, 1);
        totm = f32(d(totm) + d(pmass));
    }
    return totm;
}

}  // namespace diskgen
