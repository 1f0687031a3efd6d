// The copy phase of projmap: every map file in turn, every value of every map copied to
// the three map-stream files, and the model's parameter pair written once per map.
#pragma once

#include <cstdint>

#include "dialogue.hpp"
#include "parameter_pairs.hpp"
#include "run.hpp"

namespace projmap {

// First record of "2dfvn.dat" (unit 22): the number of maps, nfiles x nproj, as the
// 32-bit product whatever the signs of the answers.
void write_map_count(galtk::Run& run, const Counts& counts);

// Binds unit 10 to the map file of each model 1..nfiles in turn and copies its nproj
// maps of nmesh x nmesh values. Values pass through one at a time: memory stays
// constant whatever the size of the maps.
void assemble_maps(galtk::Run& run, std::int32_t kind, const Counts& counts, const ParameterPairs& pairs);

}  // namespace projmap
