// Writing the combined model "tinit.dat": a snapshot whose records carry each particle's
// mass as an eighth item.
#pragma once

#include "model.hpp"
#include "run.hpp"
#include "run_parameters.hpp"

namespace galmix {

// Writes the header (ntot, thead; ncomp; ncomp softening lengths of "di.dat"; ncomp
// masses 1/ntot), then disk, bar, spiral, inner ring, outer ring and bulge, each
// particle scaled and carrying its component's mass fraction / count. The first disk
// particle becomes the centre particle at the origin. Prints each component's mass per
// particle and the running total.
void write_model(galtk::Run& run, galtk::Unit& tinit, const RunParameters& p, const Model& model);

}  // namespace galmix
