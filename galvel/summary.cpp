#include "summary.hpp"

#include <cmath>
#include <cstdio>

#include "header.hpp"

namespace galtk::galvel {

namespace {

std::string real(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

// ", T K" of the gas's sound speed when the units are known.
std::string temperature(const Outcome& o) {
    if (!o.units) return {};
    const double v = o.units->velocity_cm_s;
    return ", " + real(o.gas->eos().c2() * v * v * mean_molecular_weight() * proton_mass_cgs / boltzmann_cgs) + " K";
}

// The gas disk: count, sound speed, the iterations of the vertical equilibrium, its
// half-mass height at the scale length and where pressure leaves it no rotation.
std::string gas_summary(const Outcome& o) {
    const GasDisk& g = *o.gas;
    std::string s = "; gas " + std::to_string(o.gas_count) + " particles (mass " + real(g.mass()) + ", R_max " +
                    real(g.r_max()) + ", sound speed " + real(std::sqrt(g.eos().c2())) + temperature(o) +
                    (g.eos().isothermal() ? ", isothermal" : ", polytrope " + real(g.eos().gamma())) + ")";
    s += ", vertical equilibrium in " + std::to_string(g.iterations()) + " iterations";
    if (g.no_rotation_lo <= g.no_rotation_hi)
        s += ", no gas rotation for R " + real(g.no_rotation_lo) + ".." + real(g.no_rotation_hi);
    return s;
}

// The taper of the halo: where it starts and the mass it leaves out (Hernquist) or adds
// beyond r200 (NFW).
std::string taper_clause(const AnalyticHalo& halo) {
    const HaloParameters& p = halo.parameters();
    const double left_out = halo.untruncated_mass() - halo.total_mass();
    if (p.kind == HaloKind::nfw)
        return "; halo tapered beyond r200 (decay " + real(p.decay) + ", mass beyond r200 " + real(-left_out) + ")";
    return "; halo ends at r " + real(p.edge) + " (tapered, decay " + real(p.decay) + ", mass left out " +
           real(left_out) + ")";
}

std::string f_clause(const char* name, const SphericalReport& r) {
    std::string s;
    if (r.negative.nodes > 0)
        s += std::string("; ") + name + " f(E) < 0 for E " + real(r.negative.lo) + ".." + real(r.negative.hi) +
             ", set to 0 (" + std::to_string(r.affected) + " particles reach it)";
    if (r.unsettled > 0) s += "; " + std::to_string(r.unsettled) + " " + name + " particles at rest (f is 0 at their energies)";
    return s;
}

}  // namespace

std::string summary_line(const Outcome& o, const AnalyticHalo& halo, const Handover& h) {
    std::string s = h.output + " (" + h.format + "): disk " + std::to_string(o.disk) + ", bulge " +
                    std::to_string(o.bulge) + ", halo " + std::to_string(o.halo) + " particles";
    if (halo.present()) s += " (halo " + halo.describe() + ")";
    if (o.halo_in_model) s += " (halo of the model's type " + std::to_string(o.codes.halo) + " particles)";
    if (halo.tapered()) s += taper_clause(halo);
    if (o.bulge > 0 || o.halo > 0)
        s += o.spherical == SphericalMethod::eddington ? "; spherical speeds from f(E)" : "; spherical speeds Gaussian (moments)";
    s += f_clause("bulge", o.bulge_report) + f_clause("halo", o.halo_report);
    s += "; scale length " + real(o.scale_length) + (o.scale_length_estimated ? " (estimated)" : "");
    s += "; Q " + real(o.q_at_reference()) + " at R " + real(o.q_radius);
    s += "; vc max " + real(o.disk_table.vc_max) + " at R " + real(o.disk_table.vc_max_radius);
    if (o.disk_table.has_no_rotation())
        s += "; no mean rotation for R " + real(o.disk_table.no_rotation_lo) + ".." + real(o.disk_table.no_rotation_hi);
    if (o.capped > 0) s += "; " + std::to_string(o.capped) + " speeds set to 0.95 v_esc";
    if (o.gas) s += gas_summary(o);
    s += "; kinetic energy " + real(o.kinetic) + "; virial ratio 2K/|W| " + real(2.0 * o.kinetic / std::fabs(o.virial));
    if (o.gas) s += " (gas included, its thermal energy in K)";
    s += "; " + std::to_string(h.coincident) + " coincident";
    if (h.jitter)
        s += ", " + std::to_string(h.jitter->moved) + " moved by --jitter (largest offset " +
             real(h.jitter->largest_offset) + "), 0 coincident now";
    if (o.units) s += "; units: " + describe_units(*o.units);
    return s;
}

std::string coincident_hint(const Handover& h) {
    return galtk::coincident_hint(h.coincident, h.jitter.has_value());
}

AnalyticHaloNote unheld_halo(const Settings& s, const Outcome& o) {
    AnalyticHaloNote note;
    if (s.halo.kind == HaloKind::none || o.halo > 0) return note;
    note.kind = s.halo.kind == HaloKind::hernquist ? AnalyticHaloNote::hernquist : AnalyticHaloNote::nfw;
    note.mass = s.halo.mass;
    note.length = s.halo.kind == HaloKind::hernquist ? s.halo.a : s.halo.r200;
    note.concentration = s.halo.kind == HaloKind::nfw ? s.halo.c : 0.0;
    note.G = s.G;
    return note;
}

namespace {

struct TypeMass {
    double mass = 0.0;
    std::size_t count = 0;
    double mean() const { return count > 0 ? mass / static_cast<double>(count) : 0.0; }
};

TypeMass mass_of_type(const ParticleSet& set, std::int32_t type) {
    TypeMass m;
    for (std::size_t j = 0; j < set.size(); ++j) {
        if (set.type[j] != type) continue;
        m.mass += set.mass[j];
        ++m.count;
    }
    return m;
}

}  // namespace

std::size_t equal_mass_count(const ParticleSet& set, double halo_mass) {
    const double disk = mass_of_type(set, disk_type).mean();
    if (!(disk > 0.0) || !(halo_mass > 0.0)) return 0;
    // Rounded up, but not past a count the float masses miss by their rounding only.
    const double n = std::ceil(halo_mass / disk * (1.0 - 1e-6));
    return n < 9.0e18 ? static_cast<std::size_t>(n) : 0;
}

namespace {

template <class IsDisk>
std::string round_share_hint(const ParticleSet& set, IsDisk is_disk) {
    double all = 0.0, round = 0.0;
    for (std::size_t j = 0; j < set.size(); ++j) {
        if (!is_disk(j)) continue;
        const Vec3& p = set.pos[j];
        const double R2 = static_cast<double>(p.x) * p.x + static_cast<double>(p.y) * p.y;
        all += set.mass[j];
        if (static_cast<double>(p.z) * p.z > R2) round += set.mass[j];
    }
    if (!(all > 0.0) || !(round > round_share_limit * all)) return {};
    return "hint: " + real(100.0 * round / all) +
           "% of the disk population's mass lies at |z| > R, as in a round component (a thin disk puts well under 2% "
           "there): if the model has a bulge, --bulge N makes it a sphere (galmix writes it last and prints its count, "
           "nbu), or --bulge-type T when its particles have their own type code";
}

}  // namespace

std::string round_component_hint(const ParticleSet& set, std::size_t n_disk) {
    return round_share_hint(set, [n_disk](std::size_t j) { return j < n_disk; });
}

std::string round_component_hint(const ParticleSet& set) {
    return round_share_hint(set, [&set](std::size_t j) { return set.type[j] == disk_type; });
}

std::string heavy_halo_hint(const ParticleSet& set, std::int32_t halo_code, bool held) {
    const TypeMass halo = mass_of_type(set, halo_code), disk = mass_of_type(set, disk_type);
    if (halo.count == 0 || !(disk.mean() > 0.0)) return {};
    const double ratio = halo.mean() / disk.mean();
    if (!(ratio > heavy_halo_factor)) return {};
    const std::size_t n = equal_mass_count(set, halo.mass);
    return "hint: the halo's particles are " + real(ratio) + " times as heavy as the disk's (mean mass " +
           real(halo.mean()) + " against " + real(disk.mean()) +
           "); heavy halo particles heat a disk spuriously (Wilkinson et al. 2023): " + std::to_string(n) +
           (held ? " halo particles (a halo of the model's type " + std::to_string(halo_code) +
                       " drawn again with that count) make them as heavy as the disk's"
                 : " halo particles (--halo-particles " + std::to_string(n) + ") make them as heavy as the disk's");
}

}  // namespace galtk::galvel
