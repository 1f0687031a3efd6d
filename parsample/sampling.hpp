// Drawing the survey values and the scaled table "denve.dat".
#pragma once

#include <vector>

#include "run.hpp"
#include "settings.hpp"

namespace parsample {

// The positions of parameters 1 and 3 within their ranges, on a scale of 0 to 10,
// one entry per draw (denve(1, i) is row1[i - 1]).
struct ScaledTable {
    std::vector<float> row1;
    std::vector<float> row2;
};

// Draws `ndraw` values of each parameter in turn from one ran1 stream started with
// seed 10, writes each to the unit numbered after its parameter, and returns the scaled
// positions of parameters 1 and 3.
ScaledTable sample_parameters(galtk::Run& run, const Settings& s);

// "denve.dat" (unit 12): the count, then one line per draw with its two scaled positions.
void write_scaled_table(galtk::Run& run, std::int32_t ndraw, const ScaledTable& table);

}  // namespace parsample
