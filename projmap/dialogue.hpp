// The console dialogue of projmap: four integer answers, each read from its own line of
// standard input right after the prompt that asks for it.
#pragma once

#include <cstdint>

#include "run.hpp"

namespace projmap {

// 1 density maps, 2 kinematic maps, 3 line-of-sight velocity maps.
std::int32_t ask_map_kind(galtk::Run& run);
bool is_known_map_kind(std::int32_t kind);
// The refusal of any other answer: a console line and a normal stop, before any file is
// bound, so that the run creates nothing.
[[noreturn]] void stop_on_unknown_map_kind(galtk::Run& run);

struct Counts {
    std::int32_t nfiles = 0;  // models, hence map files, numbered 1 to nfiles
    std::int32_t nmesh = 0;   // cells per side of a map
    std::int32_t nproj = 0;   // maps (projections) in each map file
};

Counts ask_counts(galtk::Run& run);

}  // namespace projmap
