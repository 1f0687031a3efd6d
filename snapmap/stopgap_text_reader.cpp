// Stand-in for the formats library until it is merged: reads the toolkit's text snapshot
// only (header of four lines, records x y z vx vy vz type [mass]).
#include <fstream>
#include <sstream>
#include <string>

#include "snapshot_io.hpp"

namespace galtk {

ParticleSet read_snapshot(const std::filesystem::path& path, const ReadOptions&) {
    std::ifstream in(path);
    if (!in) throw FormatError(2, "cannot open \"" + path.string() + "\"");
    ParticleSet set;
    std::string line;
    long long ntot = 0;
    int ncomp = 0;
    auto fail = [&](const std::string& what) -> ParticleSet { throw FormatError(2, "\"" + path.string() + "\": " + what); };
    if (!std::getline(in, line) || !(std::istringstream(line) >> ntot >> set.time) || ntot < 0) return fail("line 1");
    if (!std::getline(in, line) || !(std::istringstream(line) >> ncomp) || ncomp < 0 || ncomp > 10) return fail("line 2");
    if (ncomp == 4) ncomp = 5;
    for (auto* list : {&set.softening, &set.type_mass}) {
        if (!std::getline(in, line)) return fail("header");
        std::istringstream s(line);
        for (int k = 0; k < ncomp; ++k) {
            float v = 0;
            s >> v;
            list->push_back(v);
        }
    }
    set.resize(static_cast<std::size_t>(ntot));
    for (long long k = 0; k < ntot; ++k) {
        if (!std::getline(in, line)) return fail("record " + std::to_string(k + 1) + " missing");
        std::istringstream s(line);
        Vec3& p = set.pos[k];
        Vec3& v = set.vel[k];
        if (!(s >> p.x >> p.y >> p.z >> v.x >> v.y >> v.z >> set.type[k])) return fail("record " + std::to_string(k + 1));
        float m = 0;
        if (s >> m) {
            set.per_particle_mass = true;
        } else {
            const int t = set.type[k];
            m = t >= 0 && t < int(set.type_mass.size()) ? set.type_mass[t] : 0.0f;
        }
        set.mass[k] = m;
    }
    return set;
}

}  // namespace galtk
