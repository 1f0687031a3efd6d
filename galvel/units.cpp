#include "units.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace galtk::galvel {

namespace {

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", v);
    return text;
}

bool positive_finite(std::string_view field, double& value) {
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    return !field.empty() && ec == std::errc() && ptr == end && std::isfinite(value) && value > 0.0;
}

}  // namespace

PhysicalUnits galactic_system() {
    const ModelUnits u = galactic_units();
    return {u.length_cgs, u.mass_cgs, u.velocity_cgs, galactic_G, "kpc", "1e10 Msun", "km/s", "kpc/(km/s)"};
}

ModelUnits model_units(const PhysicalUnits& u) { return {u.length_cm, u.mass_g, u.velocity_cm_s}; }

std::optional<PhysicalUnits> parse_units(std::string_view text, std::string& why) {
    if (text == "galactic") return galactic_system();
    const std::string typed(text);
    std::string_view fields[3];
    for (int k = 0; k < 3; ++k) {
        const auto comma = text.find(',');
        fields[k] = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if ((k < 2 && comma == std::string_view::npos) || (k == 2 && comma != std::string_view::npos)) {
            why = "expected galactic or UL,UM,UV (three numbers in cm, g and cm/s), found \"" + typed + "\"";
            return std::nullopt;
        }
    }
    const char* names[3] = {"UL (cm)", "UM (g)", "UV (cm/s)"};
    double values[3] = {};
    for (int k = 0; k < 3; ++k)
        if (!positive_finite(fields[k], values[k])) {
            why = std::string(names[k]) + " must be a positive finite number, found \"" + std::string(fields[k]) + "\"";
            return std::nullopt;
        }
    PhysicalUnits u{values[0], values[1], values[2], G_cgs * values[1] / (values[0] * values[2] * values[2]),
                    number(values[0]) + " cm", number(values[1]) + " g", number(values[2]) + " cm/s", ""};
    u.time = number(u.time_s()) + " s";
    if (!std::isfinite(u.G) || !(u.G > 0.0) || !std::isfinite(u.time_s()) || !(u.time_s() > 0.0)) {
        why = "G or the time unit of these units is not a positive finite number";
        return std::nullopt;
    }
    return u;
}

std::string describe_units(const PhysicalUnits& u) {
    return "length " + u.length + ", mass " + u.mass + ", velocity " + u.velocity + ", time " + u.time + " = " +
           number(u.time_myr()) + " Myr, G " + number(u.G);
}

}  // namespace galtk::galvel
