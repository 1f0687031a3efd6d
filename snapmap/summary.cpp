#include "summary.hpp"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "extent.hpp"
#include "selection.hpp"

namespace snapmap {

namespace {

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

const char* quantity_name(Quantity q) {
    switch (q) {
        case Quantity::density: return "surface density";
        case Quantity::dispersion: return "line-of-sight velocity dispersion";
        case Quantity::mean_velocity: return "mean line-of-sight velocity";
    }
    return "";
}

// A unit's usual name when it is one (within a part in 10^4), else its value in cgs.
std::string unit_name(double cgs, const char* cgs_name, std::initializer_list<std::pair<double, const char*>> known) {
    for (const auto& [value, name] : known)
        if (std::fabs(cgs - value) <= 1e-4 * value) return name;
    return number(cgs) + " " + cgs_name;
}

}  // namespace

std::string units_text(const galtk::ModelUnits& u) {
    return "length " + unit_name(u.length_cgs, "cm", {{3.085678e18, "pc"}, {3.085678e21, "kpc"}, {3.085678e24, "Mpc"}}) +
           ", mass " + unit_name(u.mass_cgs, "g", {{1.989e33, "Msun"}, {1.989e43, "1e10 Msun"}}) + ", velocity " +
           unit_name(u.velocity_cgs, "cm/s", {{1.0e5, "km/s"}});
}

ModelFacts model_facts(const galtk::ParticleSet& model, bool need_radius, bool need_velocities) {
    ModelFacts f;
    for (const float m : model.mass) f.total_mass += m;
    if (need_radius) f.r99 = mass_radius(model, 0.99);
    if (need_velocities) {
        f.zero_velocities = true;
        for (const galtk::Vec3& v : model.vel) {
            if (v.x != 0.0f || v.y != 0.0f || v.z != 0.0f) {
                f.zero_velocities = false;
                break;
            }
        }
    }
    return f;
}

std::string summary_line(const Options& o, const galtk::ParticleSet& model, const ModelFacts& f, const Maps& maps) {
    std::string line = o.input + ": ";
    if (!o.types.empty())
        line += std::to_string(f.particles_read) + " particles; mapped " +
                (o.types.size() == 1 ? "type " : "types ") + type_codes_text(o.types) + ": ";
    line += std::to_string(model.size()) + " particles, mass " + number(f.total_mass);
    if (f.r99 >= 0.0) line += ", 99% within r = " + number(f.r99);
    line += "; ";
    line += std::to_string(maps.views.size()) + (maps.views.size() == 1 ? " map" : " maps") + " (views";
    for (const View& v : maps.views) line += " " + view_text(v);
    line += ") of " + std::string(quantity_name(maps.quantity)) + ", " + std::to_string(maps.grid.nmesh) + " x " +
            std::to_string(maps.grid.nmesh) + " cells over [-" + number(maps.grid.extent) + ", " +
            number(maps.grid.extent) + ")^2, " + (o.assignment == Assignment::cic ? "cic" : "ngp");
    line += "; outside the extent:";
    for (std::size_t k = 0; k < maps.tally.size(); ++k)
        line += std::string(k ? "," : "") + " " + std::to_string(maps.tally[k].outside);
    line += " particles";
    if (model.units) line += "; units: " + units_text(*model.units);
    if (f.zero_velocities) line += "; every velocity is 0: the kinematic maps are flat";
    // A face-on disk turns in the plane of the sky: its mean velocity map shows only the
    // vertical motions and looks uniform; say so rather than let it pass for a fault.
    if (maps.quantity == Quantity::mean_velocity && !f.zero_velocities) {
        std::string face_on;
        for (const View& v : maps.views)
            if (v.inclination == 0.0 || v.inclination == 180.0) face_on += (face_on.empty() ? "" : " ") + view_text(v);
        if (!face_on.empty())
            line += "; face-on (" + face_on + "): a disk's rotation lies in the sky plane, the map shows only vertical motions";
    }
    line += "; wrote";
    if (!o.map_file.empty()) line += " " + o.map_file;
    if (!o.png_file.empty()) line += " " + o.png_file;
    return line;
}

}  // namespace snapmap
