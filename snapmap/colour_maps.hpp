// Colour scales of the pictures: viridis (perceptually uniform, dark blue-violet to
// yellow) for density and dispersion, and a cool-warm diverging scale (blue, grey at the
// centre, red) for velocities of either sign. Each is a 257-entry table interpolated
// linearly between 17 published anchor colours, equally spaced, so that the middle entry
// (t = 1/2, a velocity of 0) is exactly the central anchor.
#pragma once

#include <array>
#include <cstdint>

namespace snapmap {

struct Rgb {
    std::uint8_t r, g, b;
};

constexpr int colour_steps = 256;  // entries 0 .. 256
using ColourTable = std::array<Rgb, colour_steps + 1>;

const ColourTable& viridis();
const ColourTable& cool_warm();

// The entry of t in [0, 1] (clamped; NaN gives entry 0).
Rgb colour_at(const ColourTable& table, double t);

}  // namespace snapmap
