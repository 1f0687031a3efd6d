#include "view.hpp"

#include <charconv>
#include <cmath>
#include <numbers>

#include "snapshot_io.hpp"

namespace snapmap {

std::vector<View> default_views() { return {{0.0, 0.0}, {90.0, 90.0}, {90.0, 0.0}}; }

namespace {

bool parse_number(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end && std::isfinite(value);
}

std::string format_degrees(double d) {
    char buf[32];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, d);
    return ec == std::errc() ? std::string(buf, p) : std::string("?");
}

}  // namespace

View parse_view(std::string_view text) {
    const auto colon = text.find(':');
    View view;
    const auto refuse = [&](const std::string& why) -> View {
        throw galtk::FormatError(1, "--view \"" + std::string(text) + "\": " + why);
    };
    if (colon == std::string_view::npos) return refuse("expected INCLINATION:POSITION_ANGLE in degrees, e.g. 60:30");
    if (!parse_number(text.substr(0, colon), view.inclination))
        return refuse("the inclination is not a finite number of degrees");
    if (!parse_number(text.substr(colon + 1), view.position_angle))
        return refuse("the position angle is not a finite number of degrees");
    if (view.inclination < 0.0 || view.inclination > 180.0) return refuse("the inclination lies outside 0 .. 180 degrees");
    return view;
}

std::string view_text(const View& view) {
    return format_degrees(view.inclination) + ":" + format_degrees(view.position_angle);
}

void sin_cos_degrees(double degrees, double& s, double& c) {
    const double turn = std::fmod(degrees, 360.0);  // exact
    const double quarter = turn / 90.0;
    if (quarter == std::floor(quarter)) {
        static constexpr double sines[4] = {0.0, 1.0, 0.0, -1.0};
        const int q = (static_cast<int>(quarter) % 4 + 4) % 4;
        s = sines[q];
        c = sines[(q + 1) % 4];
        return;
    }
    const double radians = turn * (std::numbers::pi / 180.0);
    s = std::sin(radians);
    c = std::cos(radians);
}

Basis basis_of(const View& view) {
    double si = 0, ci = 0, sp = 0, cp = 0;
    sin_cos_degrees(view.inclination, si, ci);
    sin_cos_degrees(view.position_angle, sp, cp);
    Basis b{};
    b.u[0] = cp;
    b.u[1] = sp;
    b.u[2] = 0.0;
    b.v[0] = -ci * sp;
    b.v[1] = ci * cp;
    b.v[2] = si;
    // -n: positive along the line of sight away from the observer.
    b.los[0] = -si * sp;
    b.los[1] = si * cp;
    b.los[2] = -ci;
    return b;
}

}  // namespace snapmap
