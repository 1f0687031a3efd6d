// --types: the particles of some type codes only (the gas of a galvel model is type 0,
// its disk 2 and bulge 3), as a model of their own that the maps and the extent see.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "particle_set.hpp"

namespace snapmap {

// "0" or "2,3": type codes of 0 or more, comma-separated, each fitting an int32; the codes
// in increasing order without repeats, or none with the reason in `error`.
std::optional<std::vector<std::int32_t>> parse_type_codes(std::string_view text, std::string& error);

// "0" or "2,3": the codes as --types takes them.
std::string type_codes_text(const std::vector<std::int32_t>& codes);

// The particles whose code is one of `codes` (sorted), in file order, with the model's units
// and header; IDs and gas fields are left behind (no map reads them). The particles are
// compacted inside `model`'s own arrays, so a large model is not held twice. A selection
// that keeps no particle is refused (FormatError, status 1) with the codes the model has.
galtk::ParticleSet select_types(galtk::ParticleSet&& model, const std::vector<std::int32_t>& codes);

}  // namespace snapmap
