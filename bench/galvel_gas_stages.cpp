// galvel's run with a gas disk in its stages, each timed: reading the model, the gas's
// vertical equilibrium (field off the plane and the column iterations), the particles'
// mid-plane field, the smoothing lengths (nanoflann; made beside the stars' draws, so the
// wait for them after those is timed too), the rest, writing. One line.
//
//   galvel_gas_stages INPUT OUTPUT BULGE HALO HALO_PARTICLES GAS GAS_SOUND_SPEED GAS_PARTICLES
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "equilibrium.hpp"
#include "snapshot_io.hpp"

int main(int argc, char** argv) {
    using clock = std::chrono::steady_clock;
    if (argc != 9) {
        std::fprintf(stderr, "usage: galvel_gas_stages INPUT OUTPUT BULGE HALO HALO_PARTICLES GAS SOUND_SPEED GAS_PARTICLES\n");
        return 1;
    }
    auto seconds = [](clock::time_point a, clock::time_point b) { return std::chrono::duration<double>(b - a).count(); };
    galtk::galvel::Settings s;
    s.threads = 2;
    s.bulge = std::strtoull(argv[3], nullptr, 10);
    if (!galtk::galvel::parse_halo(argv[4], s.halo).empty()) return 1;
    s.halo_particles = std::strtoull(argv[5], nullptr, 10);
    if (!galtk::galvel::parse_gas_disk(argv[6], s.gas).empty()) return 1;
    const double c = std::strtod(argv[7], nullptr);
    s.gas_c2 = c * c;
    s.gas.particles = std::strtoull(argv[8], nullptr, 10);
    const auto t0 = clock::now();
    galtk::ParticleSet set = galtk::read_snapshot(argv[1]);
    const auto t1 = clock::now();
    const galtk::galvel::Outcome o = galtk::galvel::give_velocities(set, s);
    const auto t2 = clock::now();
    galtk::write_snapshot(argv[2], set, galtk::SnapshotFormat::gadget2);
    const auto t3 = clock::now();
    const double total = seconds(t0, t3);
    // The search runs beside the stars' draws: "other" is the rest of the run's wall time,
    // the wait for the gas particles after the stars' draws counted apart.
    const double other = seconds(t1, t2) - o.gas_seconds - o.field_seconds - o.gas_wait_seconds;
    std::printf("read %.2f gas-equilibrium %.2f (%d iterations) field %.2f neighbours %.2f (beside the stars; "
                "waited for the gas %.2f) other %.2f write %.2f total %.2f; shares: equilibrium %.0f%%, wait %.0f%%\n",
                seconds(t0, t1), o.gas_seconds, o.gas->iterations(), o.field_seconds, o.neighbour_seconds,
                o.gas_wait_seconds, other, seconds(t2, t3), total, 100.0 * o.gas_seconds / total,
                100.0 * o.gas_wait_seconds / total);
    return 0;
}
