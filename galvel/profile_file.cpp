#include "profile_file.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

namespace galtk::galvel {

namespace {

double signed_root(double v2) { return v2 < 0.0 ? -std::sqrt(-v2) : std::sqrt(v2); }

void write_sphere(std::FILE* f, const char* name, const SphereTable& t) {
    std::fprintf(f, "# %s: r rho sigma\n", name);
    for (int i = 0; i < t.grid.size(); ++i) std::fprintf(f, "%.9g %.9g %.9g\n", t.grid[i], t.rho[i], t.sigma[i]);
}

}  // namespace

std::string write_profile(const std::filesystem::path& path, const Outcome& o) {
    const std::filesystem::path temporary = path.string() + ".galvel-tmp";
    std::FILE* f = std::fopen(temporary.c_str(), "w");
    if (!f) return "cannot create \"" + temporary.string() + "\": " + std::strerror(errno);
    const DiskTable& t = o.disk_table;
    std::fprintf(f, "# disk: R Sigma vc Omega kappa sigma_R sigma_phi sigma_z mean_vphi Q vc_disk vc_bulge vc_halo\n");
    for (int i = 0; i < t.size(); ++i)
        std::fprintf(f, "%.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g\n", t.grid[i], t.sigma[i],
                     std::sqrt(std::max(t.vc2[i], 0.0)), t.omega[i], t.kappa[i], t.sigma_r[i], t.sigma_phi[i],
                     t.sigma_z[i], t.mean_vphi[i], t.q[i], signed_root(t.vc2_disk[i]), signed_root(t.vc2_bulge[i]),
                     signed_root(t.vc2_halo[i]));
    if (o.bulge_table) write_sphere(f, "bulge", *o.bulge_table);
    if (o.halo_table) write_sphere(f, "halo", *o.halo_table);
    const bool failed = std::ferror(f) != 0;
    const int saved = errno;
    if (std::fclose(f) != 0 || failed) {
        std::filesystem::remove(temporary);
        return "cannot write \"" + temporary.string() + "\": " + std::strerror(failed ? saved : errno);
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::filesystem::remove(temporary);
        return "cannot rename \"" + temporary.string() + "\" to \"" + path.string() + "\": " + ec.message();
    }
    return {};
}

}  // namespace galtk::galvel
