// The toolkit's record in the GADGET header: what the 256-byte header has no field for
// (the type code of each particle type, ncomp, the softening and type-mass lists, 7 or 8
// items a record), so that text -> GADGET -> text gives back the same file.
//
// Where: bytes 216..255, the end of the header's padding. GADGET-2 reads the header up to
// flag_entropy_instead_u (ends at 196); GADGET-3-style readers and GADGET-4's legacy
// header read flag_doubleprecision (196), flag_ic_info (200) and lpt_scalingfactor (204)
// and leave the rest as fill; AREPO reads furthest, flag_tracer_field (208) and
// composition_vector_length (212), ending at 216. Bytes 196..215 stay zero, so every one of
// them sees a single-precision file without extras; the 40 bytes after are read by none.
//
// Two versions share the place. "gtk1" (written before): ncomp, the two entry counts,
// one softening and one mass for lists whose entries are all equal. "gtk2" adds lists of
// different entries: each entry is a 4-bit code into a palette of five float32 values,
// 0.0, or (masses) "the mass the file's particles of that code share" — which is what
// galvel's lists hold for its components — so two lists of up to 12 entries together
// fit, with up to five distinct other values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "particle_set.hpp"
#include "particle_order.hpp"

namespace galtk {

inline constexpr std::size_t gadget_record_offset = 216;
inline constexpr std::size_t gadget_record_bytes = 40;

// The text type code carried by each GADGET type (-128: the type has no particles).
using TypeCodes = std::array<std::int8_t, particle_types>;
inline constexpr std::int8_t no_type_code = -128;

enum class RecordFit {
    nothing_needed,  // no record: types are the codes and there is no text header
    whole,           // the record carries everything
    codes_only,      // the text header did not fit: a reader derives one
    none,            // a type holds several codes: the codes do not come back either
};

// Writes the record for `set` into the 40 bytes at `record` (left zero when none is
// needed); `codes` is none when a type holds particles of several codes.
RecordFit pack_gadget_record(unsigned char* record, const ParticleSet& set, const std::optional<TypeCodes>& codes);

// The codes a record gives the six types (the type number itself where it gives none).
std::array<std::int32_t, particle_types> gadget_record_codes(const unsigned char* record);

// Sets the text header of `set` (whose types and masses are read) from the record, if it
// carries one that is consistent; `swapped` for a file of the other byte order.
void apply_gadget_record(const unsigned char* record, bool swapped, ParticleSet& set);

}  // namespace galtk
