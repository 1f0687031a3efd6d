// The map file as projmap reads it: one value a line, written by the toolkit's
// list-directed writer (a blank, nine significant digits), the maps of the views one
// after the other, each in the cell order of binning.hpp. projmap reads every value back
// to the same bits.
#pragma once

#include "binning.hpp"
#include "destination.hpp"

namespace snapmap {

// Writes the maps to `out` (the caller commits it); throws galtk::FormatError (status 2)
// when they cannot be written.
void write_map_file(const Maps& maps, Destination& out);

}  // namespace snapmap
