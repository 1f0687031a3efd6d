// What a binary format cannot hold of the text header, packed into bytes the codes do
// not read, so that text -> GADGET/tipsy -> text gives back the same file.
//
// The text header carries ncomp, a list of softening lengths and a list of type masses,
// and the records 7 or 8 items. The toolkit's programs write each list with one value in
// every entry (diskgen: five softening lengths `soft`, five masses `pmass`; galmix: four
// times diskgen's softening and four times 1/ntot), so the record stores the entry
// counts, one softening length and one mass. A header whose lists hold different values
// has no record; a reader then derives the header (see text_snapshot.hpp).
#pragma once

#include <cstdint>
#include <optional>

#include "particle_set.hpp"

namespace galtk {

struct TextHeaderRecord {
    std::int32_t ncomp = 0;
    std::uint8_t softening_entries = 0;
    std::uint8_t mass_entries = 0;
    bool per_particle_mass = false;
    float softening = 0.0f;  // the value of every softening entry
    float type_mass = 0.0f;  // the value of every type-mass entry

    // Sets the set's header fields from the record.
    void apply(ParticleSet& set) const;
};

// The record of a set read from a text snapshot whose lists are uniform and at most
// `entries_max` long; none otherwise.
std::optional<TextHeaderRecord> uniform_text_header(const ParticleSet& set, int entries_max);

}  // namespace galtk
