// The survey settings of parsample: how many draws, the mode, and the bounds of the four
// sampled parameters.
#pragma once

#include <array>
#include <cstdint>

#include "unit.hpp"

namespace parsample {

constexpr int nparam = 4;

struct Settings {
    std::int32_t ndraw = 0;
    std::int32_t mode = 0;
    std::array<float, nparam> lo{};  // lo[p - 1], hi[p - 1]: the bounds of parameter p
    std::array<float, nparam> hi{};
};

// Reads `ndraw` from "th1.para", then `mode` and the four bound pairs from "th1a.para",
// one record each.
Settings read_settings(galtk::Unit& th1_para, galtk::Unit& th1a_para);

// Mode 2 pins parameters 3 and 4, mode 3 pins parameter 4; the pinned values replace
// whatever the file gave.
void apply_mode_overrides(Settings& s);

}  // namespace parsample
