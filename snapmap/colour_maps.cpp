#include "colour_maps.hpp"

#include <cmath>

namespace snapmap {

namespace {

using Anchors = std::array<std::array<double, 3>, 17>;

// viridis (van der Walt and Smith, 2015) at t = 0, 1/16, ..., 1.
constexpr Anchors viridis_anchors = {{
    {0.267004, 0.004874, 0.329415}, {0.282327, 0.094955, 0.417331}, {0.278826, 0.175490, 0.483397},
    {0.258965, 0.251537, 0.524736}, {0.229739, 0.322361, 0.545706}, {0.199430, 0.387607, 0.554642},
    {0.172719, 0.448791, 0.557885}, {0.149039, 0.508051, 0.557250}, {0.127568, 0.566949, 0.550556},
    {0.120638, 0.625828, 0.533488}, {0.157851, 0.683765, 0.501686}, {0.246070, 0.738910, 0.452024},
    {0.369214, 0.788888, 0.382914}, {0.515992, 0.831158, 0.294279}, {0.678489, 0.863742, 0.189503},
    {0.845561, 0.887322, 0.099702}, {0.993248, 0.906157, 0.143936},
}};

// Moreland's cool-warm diverging map (2009) at t = 0, 1/16, ..., 1; grey at t = 1/2.
constexpr Anchors cool_warm_anchors = {{
    {0.229806, 0.298718, 0.753683}, {0.304174, 0.406945, 0.845263}, {0.383662, 0.510183, 0.917831},
    {0.467678, 0.605591, 0.968546}, {0.554312, 0.690097, 0.995516}, {0.640828, 0.760752, 0.997846},
    {0.724041, 0.814910, 0.975651}, {0.800601, 0.850358, 0.930008}, {0.867428, 0.864377, 0.862602},
    {0.925563, 0.825517, 0.771136}, {0.959518, 0.766973, 0.674145}, {0.969683, 0.690484, 0.575138},
    {0.956653, 0.598034, 0.477302}, {0.921406, 0.491420, 0.383408}, {0.865391, 0.371128, 0.295769},
    {0.790562, 0.231397, 0.216242}, {0.705673, 0.015556, 0.150233},
}};

ColourTable interpolate(const Anchors& a) {
    ColourTable table{};
    for (int k = 0; k < 256; ++k) {
        const double x = k / 255.0 * 16.0;
        const int lo = x >= 16.0 ? 15 : static_cast<int>(x);
        const double f = x - lo;
        std::uint8_t c[3];
        for (int ch = 0; ch < 3; ++ch) {
            const double v = a[lo][ch] * (1.0 - f) + a[lo + 1][ch] * f;
            c[ch] = static_cast<std::uint8_t>(std::lround(v * 255.0));
        }
        table[k] = {c[0], c[1], c[2]};
    }
    return table;
}

}  // namespace

const ColourTable& viridis() {
    static const ColourTable table = interpolate(viridis_anchors);
    return table;
}

const ColourTable& cool_warm() {
    static const ColourTable table = interpolate(cool_warm_anchors);
    return table;
}

Rgb colour_at(const ColourTable& table, double t) {
    if (!(t > 0.0)) return table[0];
    if (t >= 1.0) return table[255];
    return table[static_cast<std::size_t>(t * 255.0 + 0.5)];
}

}  // namespace snapmap
