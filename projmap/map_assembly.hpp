// The copy phase of projmap: every map file in turn, every value of every map copied to
// the three map-stream files, and the model's parameter pair written once per map.
#pragma once

#include <cstdint>

#include "dialogue.hpp"
#include "parameter_pairs.hpp"
#include "run.hpp"

namespace projmap {

// The files the maps are gathered in.
struct DataSetFiles {
    galtk::Unit& t;    // "2dft.dat": every map value
    galtk::Unit& t3;   // "2dft1.dat" (kind 1) or "2dft2.dat": every map value
    galtk::Unit& v;    // "2dfv.dat": every map value
    galtk::Unit& vn;   // "2dfvn.dat": the number of maps, then the pair of every map
    galtk::Unit& tn1;  // "2dftn1.dat": first value of the pair of every map
    galtk::Unit& tn2;  // "2dftn2.dat": second value of the pair of every map
};

// First record of "2dfvn.dat": the number of maps, nfiles x nproj, as the 32-bit
// product whatever the signs of the answers.
void write_map_count(galtk::Unit& vn, const Counts& counts);

// Binds unit 10 to the map file of each model 1..nfiles in turn (printing its name and
// number) and copies its nproj maps of nmesh x nmesh values. Values pass through one at
// a time: memory stays constant whatever the size of the maps.
void assemble_maps(galtk::Run& run, const DataSetFiles& out, std::int32_t kind, const Counts& counts,
                   const ParameterPairs& pairs);

}  // namespace projmap
