// The maps of all views side by side in one PNG image, 4 white pixels between two maps.
//
// Each map is shown as a square of P x P pixels with v up and u to the right: P = nmesh
// times the smallest whole factor that reaches 256 pixels (nmesh 128 gives 256, 100
// gives 300), nmesh itself from 256 to 1024, and 1024 above (every pixel then shows the
// cell under its centre). All maps of a picture share one colour scale:
//   density        viridis, logarithmic over four decades below the highest cell
//                  (cells at or below 1e-4 of it, and empty cells, are darkest)
//   dispersion     viridis, linear from 0 to the highest cell
//   mean velocity  cool-warm, linear and symmetric about 0 (grey) up to the largest |v|
#pragma once

#include <cstdint>
#include <filesystem>

#include "binning.hpp"
#include "destination.hpp"

namespace snapmap {

// Pixel side of one map for a grid of nmesh cells a side.
std::int32_t map_pixels(std::int32_t nmesh);

// Writes the picture to `out` (the caller commits it); throws galtk::FormatError
// (status 2).
void write_picture(const Maps& maps, Destination& out);

}  // namespace snapmap
