// Colour scales of the pictures: viridis (perceptually uniform, dark blue-violet to
// yellow) for density and dispersion, and a cool-warm diverging scale (blue, grey at the
// centre, red) for velocities of either sign. Each is a 256-entry table interpolated
// linearly between 17 published anchor colours, equally spaced.
#pragma once

#include <array>
#include <cstdint>

namespace snapmap {

struct Rgb {
    std::uint8_t r, g, b;
};

using ColourTable = std::array<Rgb, 256>;

const ColourTable& viridis();
const ColourTable& cool_warm();

// The entry of t in [0, 1] (clamped; NaN gives entry 0).
Rgb colour_at(const ColourTable& table, double t);

}  // namespace snapmap
