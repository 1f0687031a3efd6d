// Reading a position list: line 1 the count, then one `x y z` line per position
// (further values on a line are ignored, so a snapshot's records read as positions too).
//
//   const std::int32_t n = read_position_count(sip3, {"count line (nbu)"});
//   read_positions(sip3, n, bulge, bscale);
//
// The two steps are separate so that a program can check the count against its own
// limits before the positions are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reserve.hpp"
#include "unit.hpp"
#include "vec3.hpp"
#include "what.hpp"

namespace galtk {

// The refusal of a negative count: the diagnostic line without the program's name.
using NegativeCountMessage = std::string (*)(const Unit& unit, std::int32_t count);

// "<file> announces <count> positions: the count must be 0 or more"
std::string announces_negative_count(const Unit& unit, std::int32_t count);

// Reads the count line; a negative count ends the run as a refused input (status 1)
// with the line `message` gives.
std::int32_t read_position_count(Unit& unit, const What& what,
                                 NegativeCountMessage message = announces_negative_count);

// Reads `count` positions ({"position", i} in diagnostics) into rows first, first + 1,
// ... of `store` (first defaults to the end of the store). A row the store already holds
// is the start value of its read, so a null value keeps it; a new row starts at 0 (as do
// the rows between the end of the store and a first beyond it). With
// `scale`, each coordinate is stored as scale * value, rounded once. The store ends
// with exactly first + count rows.
void read_positions(Unit& unit, std::int32_t count, std::vector<Vec3>& store,
                    std::optional<float> scale = std::nullopt, std::optional<std::size_t> first = std::nullopt);

}  // namespace galtk
