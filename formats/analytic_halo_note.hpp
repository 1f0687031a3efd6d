// A model whose velocities were drawn in the field of an analytic dark halo that the file
// does not hold as particles (galvel's --halo without --halo-particles). Started as it is,
// a simulation lacks the halo's pull and the model flies apart; the note travels with the
// model (the HDF5 Toolkit group) so that the program handing it on can say so.
#pragma once

#include <cstddef>
#include <string>

#include "particle_set.hpp"

namespace galtk {

// The shortest text that reads back as `v` ("43007.1", "2.5", "1e-05").
std::string shortest_text(double v);

// "hernquist:5:10 (G 1)" or "nfw:100:200:10 (G 43007.1)"; empty when the set has no note.
std::string describe_analytic_halo(const AnalyticHaloNote& note);

// The hint line when `set` carries a note, else empty. `output` names the file written.
// It names the two remedies: the halo as particles (galvel --halo-particles N), or the
// simulation code's own external potential of the same profile. A `count` above 0 is the
// N to suggest.
std::string analytic_halo_hint(const ParticleSet& set, const std::string& output, std::size_t count = 0);

}  // namespace galtk
