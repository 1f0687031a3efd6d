#include "profile_file.hpp"

#include <cmath>
#include <cstdio>
#include <string>

namespace galtk::galvel {

namespace {

double signed_root(double v2) { return v2 < 0.0 ? -std::sqrt(-v2) : std::sqrt(v2); }

double unsigned_zero(double v) { return v == 0.0 ? 0.0 : v; }

// Lines go to the output's buffer, which hands them to the file in big blocks.
class Rows {
public:
    explicit Rows(OutputFile& out) : out_(out) {}
    void line(const std::string& text) { out_.write(text.data(), text.size()); }
    // One row of values, each as %.9g (nine digits keep a float's value); a zero is written 0
    // whatever its sign (a -0 from a product or a root would read as a value of its own to a
    // user's diff or a text comparison).
    template <class... T>
    void row(const T... v) {
        char buf[32 * sizeof...(T) + 2];
        int n = 0;
        ((n += std::snprintf(buf + n, sizeof buf - std::size_t(n), n == 0 ? "%.9g" : " %.9g", unsigned_zero(v))), ...);
        buf[n++] = '\n';
        out_.write(buf, std::size_t(n));
    }

private:
    OutputFile& out_;
};

void write_sphere(Rows& rows, const char* name, const SphereTable& t) {
    rows.line(std::string("# ") + name + ": r rho sigma\n");
    for (int i = 0; i < t.grid.size(); ++i) rows.row(t.grid[i], t.rho[i], t.sigma[i]);
}

// The gas disk at its column radii: surface density, mid-plane density, half-mass
// height, circular speed and mean rotation.
void write_gas(Rows& rows, const GasDisk& g) {
    rows.line("# gas: R Sigma rho0 half_height vc vphi\n");
    for (int i = 0; i < g.grid().size(); ++i) {
        const double R = g.grid()[i];
        rows.row(R, g.surface_density(R), g.columns()[i].rho0(), g.columns()[i].half_height,
                 signed_root(g.circular_speed_squared()[i]), g.rotation_table()[i]);
    }
}

}  // namespace

void write_profile(OutputFile& out, const Outcome& o) {
    Rows rows(out);
    const DiskTable& t = o.disk_table;
    if (o.units) rows.line("# units: " + describe_units(*o.units) + "\n");
    // Columns after vc_halo: the vertical frequency and sigma_z by either rule (the
    // sigma_z column is the one drawn).
    rows.line("# disk: R Sigma vc Omega kappa sigma_R sigma_phi sigma_z mean_vphi Q vc_disk vc_bulge vc_halo"
              " nu sigma_z_sheet sigma_z_jeans\n");
    const VerticalBalance& b = o.vertical;
    for (int i = 0; i < t.size(); ++i) {
        const auto column = [i](const std::vector<double>& c) { return std::size_t(i) < c.size() ? c[i] : 0.0; };
        rows.row(t.grid[i], t.sigma[i], std::sqrt(std::max(t.vc2[i], 0.0)), t.omega[i], t.kappa[i], t.sigma_r[i],
                 t.sigma_phi[i], t.sigma_z[i], t.mean_vphi[i], t.q[i], signed_root(t.vc2_disk[i]),
                 signed_root(t.vc2_bulge[i]), signed_root(t.vc2_halo[i]), column(b.nu), column(o.sigma_z_sheet),
                 column(b.sigma_z_column));
    }
    if (o.bulge_table) write_sphere(rows, "bulge", *o.bulge_table);
    if (o.halo_table) write_sphere(rows, "halo", *o.halo_table);
    if (o.gas) write_gas(rows, *o.gas);
}

}  // namespace galtk::galvel
