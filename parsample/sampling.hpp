// Drawing the survey values and the scaled table "denve.dat".
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "settings.hpp"
#include "unit.hpp"

namespace parsample {

// The positions of parameters 1 and 3 within their ranges, on a scale of 0 to 10,
// one entry per draw (denve(1, i) is row1[i - 1]).
struct ScaledTable {
    std::vector<float> row1;
    std::vector<float> row2;
};

// The files of the draws, parameter p in files[p - 1]: "th1.dat", "th2.dat", "th0.dat",
// "th01.dat".
using DrawFiles = std::array<std::reference_wrapper<galtk::Unit>, nparam>;

// Draws `ndraw` values of each parameter in turn from one ran1 stream started with
// seed 10, writes each to its parameter's file, and returns the scaled positions of
// parameters 1 and 3.
ScaledTable sample_parameters(const DrawFiles& files, const Settings& s);

// "denve.dat": the count, then one line per draw with its two scaled positions.
void write_scaled_table(galtk::Unit& denve, std::int32_t ndraw, const ScaledTable& table);

}  // namespace parsample
