// Reading the disk snapshot "di.dat" and selecting the bar from it in the same pass.
#pragma once

#include "bar_ellipse.hpp"
#include "model.hpp"
#include "run_parameters.hpp"
#include "unit.hpp"

namespace galmix {

// Reads the header (num and thead; ncomp; five softening lengths and five masses,
// whatever ncomp holds) and the num particle records of "di.dat". Every position goes
// into the disk list; when fbar is not 0, a position inside the bar ellipse is copied
// into the bar list as well. Fills model.header, model.disk, model.bar, num and nbar.
void read_disk_and_select_bar(galtk::Unit& di, const RunParameters& p, Model& model);

}  // namespace galmix
