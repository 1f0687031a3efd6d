// galvel's run in its stages, each timed: reading the model, the particles' field, the
// rest of the Jeans-moment computation and draws, writing the model. Prints one line of
// seconds per stage and the field's share of the whole.
//
//   galvel_stages INPUT OUTPUT BULGE HALO
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "equilibrium.hpp"
#include "snapshot_io.hpp"

int main(int argc, char** argv) {
    using clock = std::chrono::steady_clock;
    if (argc != 5) {
        std::fprintf(stderr, "usage: galvel_stages INPUT OUTPUT BULGE HALO\n");
        return 1;
    }
    auto seconds = [](clock::time_point a, clock::time_point b) { return std::chrono::duration<double>(b - a).count(); };
    galtk::galvel::Settings settings;
    settings.bulge = std::strtoull(argv[3], nullptr, 10);
    if (!galtk::galvel::parse_halo(argv[4], settings.halo).empty()) return 1;
    const auto t0 = clock::now();
    galtk::ParticleSet set = galtk::read_snapshot(argv[1]);
    const auto t1 = clock::now();
    const galtk::galvel::Outcome o = galtk::galvel::give_velocities(set, settings);
    const auto t2 = clock::now();
    galtk::write_snapshot(argv[2], set, galtk::detect_format(argv[1]));
    const auto t3 = clock::now();
    const double total = seconds(t0, t3);
    std::printf("particles %zu read %.3f field %.3f other %.3f write %.3f total %.3f field_share %.3f\n", set.size(),
                seconds(t0, t1), o.field_seconds, seconds(t1, t2) - o.field_seconds, seconds(t2, t3), total,
                o.field_seconds / total);
    return 0;
}
