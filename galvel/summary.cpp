#include "summary.hpp"

#include <cmath>
#include <cstdio>

namespace galtk::galvel {

namespace {

std::string real(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

}  // namespace

std::string summary_line(const Outcome& o, const AnalyticHalo& halo, const Handover& h) {
    std::string s = h.output + " (" + h.format + "): disk " + std::to_string(o.disk) + ", bulge " +
                    std::to_string(o.bulge) + ", halo " + std::to_string(o.halo) + " particles";
    if (halo.present()) s += " (halo " + halo.describe() + ")";
    s += "; scale length " + real(o.scale_length) + (o.scale_length_estimated ? " (estimated)" : "");
    s += "; Q " + real(o.q_at_reference()) + " at R " + real(o.q_radius);
    s += "; vc max " + real(o.disk_table.vc_max) + " at R " + real(o.disk_table.vc_max_radius);
    if (o.disk_table.has_no_rotation())
        s += "; no mean rotation for R " + real(o.disk_table.no_rotation_lo) + ".." + real(o.disk_table.no_rotation_hi);
    if (o.capped > 0) s += "; " + std::to_string(o.capped) + " speeds set to 0.95 v_esc";
    s += "; kinetic energy " + real(o.kinetic) + "; virial ratio 2K/|W| " + real(2.0 * o.kinetic / std::fabs(o.virial));
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

}  // namespace galtk::galvel
