// snapconv --code: what each simulation code reads, as one set of write options. A preset
// picks the format, the type map, the box and the units the code needs, and refuses (one
// line) a model the code cannot start from as it is. Options given beside --code (--to of
// another format the code reads, --type-map, --box, --units) take precedence.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "snapshot_io.hpp"

namespace snapconv {

enum class Code { gadget2, gadget4, arepo, swift, changa };

// "gadget2", "gadget4", "arepo", "swift", "changa".
std::optional<Code> parse_code(std::string_view name);
const char* code_name(Code code);
// The one line of docs/snapconv.md's table: format, types, box, units, fields.
std::string describe(Code code);

struct Explicit {
    std::optional<galtk::SnapshotFormat> to;
    bool type_map = false, box = false, units = false;
};

// Before the model is read: the format and the type map of the code; refusal text when
// --to names a format the code does not read, else empty.
std::string apply_preset(Code code, const Explicit& given, galtk::SnapshotFormat& to, galtk::WriteOptions& write);

// With the model read: what the code insists on, checked (refusal text, else empty), and
// what follows from the model set: SWIFT's box around it and its Units group.
std::string fit_model(Code code, const Explicit& given, const galtk::ParticleSet& set, galtk::WriteOptions& write);

// The box SWIFT gets unless --box: 4 times the largest |coordinate|, rounded up to a power
// of two (1 for a model at the origin), so the model sits in the middle with room to spread.
double swift_box(const galtk::ParticleSet& set);

}  // namespace snapconv
