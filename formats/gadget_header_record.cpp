#include "gadget_header_record.hpp"

#include <bit>
#include <cstring>
#include <vector>

#include "binary_input.hpp"
#include "text_header.hpp"
#include "text_header_record.hpp"

namespace galtk {

namespace {

// gtk1: magic, int32 ncomp at 4, the entry counts at 8 and 9, flags at 10, the codes at
// 12..17, one softening at 20 and one mass at 24.
constexpr std::size_t v1_ncomp = 4, v1_softening_entries = 8, v1_mass_entries = 9, v1_flags = 10, v1_codes = 12,
                      v1_softening = 20, v1_mass = 24;
// gtk2: magic, int16 ncomp at 4, the entry counts as two nibbles at 6 (softening low),
// flags (low nibble) and palette size (high) at 7, the codes at 8..13, twelve 4-bit
// entries at 14..19, five float32 values at 20..39. Lists of one value each that are too
// long for that keep ncomp as int32 at 14 and byte counts at 18 and 19 instead, their
// two values at 20 and 24.
constexpr std::size_t at_ncomp = 4, at_counts = 6, at_flags = 7, at_codes = 8, at_entries = 14, at_values = 20;
constexpr std::size_t at_uniform_ncomp = 14, at_uniform_softening_entries = 18, at_uniform_mass_entries = 19;
constexpr char magic_v1[4] = {'g', 't', 'k', '1'};
constexpr char magic_v2[4] = {'g', 't', 'k', '2'};
enum : std::uint8_t { flag_per_particle_mass = 1, flag_text_header = 2, flag_uniform_lists = 4 };

constexpr std::size_t palette_max = 5;
constexpr std::size_t entries_max = 12;  // 4-bit entries in bytes 14..19
constexpr std::size_t list_max = 15;     // a nibble's count
constexpr std::uint8_t entry_zero = 0xE, entry_shared_mass = 0xF;

bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

float stored_float(const unsigned char* p, bool swapped) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return std::bit_cast<float>(swapped ? byte_swapped(v) : v);
}

// The 4-bit codes of both lists (softening entries first), with the palette they index.
struct Encoded {
    std::vector<float> palette;
    std::vector<std::uint8_t> entries;
};

std::optional<Encoded> encode_lists(const ParticleSet& set) {
    if (set.softening.size() + set.type_mass.size() > entries_max || *set.ncomp < INT16_MIN || *set.ncomp > INT16_MAX)
        return std::nullopt;
    static_assert(entries_max <= list_max);
    Encoded e;
    auto value_code = [&e](float v) -> std::optional<std::uint8_t> {
        if (same_bits(v, 0.0f)) return entry_zero;
        for (std::size_t k = 0; k < e.palette.size(); ++k)
            if (same_bits(e.palette[k], v)) return static_cast<std::uint8_t>(k);
        if (e.palette.size() == palette_max) return std::nullopt;
        e.palette.push_back(v);
        return static_cast<std::uint8_t>(e.palette.size() - 1);
    };
    for (float v : set.softening) {
        const auto c = value_code(v);
        if (!c) return std::nullopt;
        e.entries.push_back(*c);
    }
    // The codes come back with the record, and the masses with the file: the mass the
    // particles of a code share is known to the reader.
    const std::vector<float> shared = shared_mass_per_code(set.type, set.mass, set.type_mass.size());
    for (std::size_t k = 0; k < set.type_mass.size(); ++k) {
        if (same_bits(set.type_mass[k], shared[k])) {
            e.entries.push_back(entry_shared_mass);
            continue;
        }
        const auto c = value_code(set.type_mass[k]);
        if (!c) return std::nullopt;
        e.entries.push_back(*c);
    }
    return e;
}

// Lists too long for 4-bit entries but each of one value (gtk1's case).
std::optional<Encoded> encode_uniform_lists(const ParticleSet& set) {
    if (set.softening.size() > 255 || set.type_mass.size() > 255) return std::nullopt;
    auto uniform = [](const std::vector<float>& list) {
        for (float v : list)
            if (!same_bits(v, list.front())) return false;
        return true;
    };
    if (!uniform(set.softening) || !uniform(set.type_mass)) return std::nullopt;
    Encoded e;
    e.palette = {set.softening.empty() ? 0.0f : set.softening.front(),
                 set.type_mass.empty() ? 0.0f : set.type_mass.front()};
    return e;
}

}  // namespace

RecordFit pack_gadget_record(unsigned char* record, const ParticleSet& set, const std::optional<TypeCodes>& codes) {
    if (!codes) return set.ncomp ? RecordFit::none : RecordFit::nothing_needed;
    bool identity = true;
    for (int t = 0; t < particle_types; ++t)
        if ((*codes)[t] != no_type_code && (*codes)[t] != t) identity = false;
    if (identity && !set.ncomp) return RecordFit::nothing_needed;

    std::memcpy(record, magic_v2, 4);
    std::memcpy(record + at_codes, codes->data(), particle_types);
    if (!set.ncomp) return RecordFit::whole;
    std::uint8_t flags = flag_text_header;
    if (set.per_particle_mass) flags |= flag_per_particle_mass;
    std::optional<Encoded> e = encode_lists(set);
    if (e) {
        const auto ncomp = static_cast<std::int16_t>(*set.ncomp);
        std::memcpy(record + at_ncomp, &ncomp, 2);
        record[at_counts] = static_cast<std::uint8_t>(set.softening.size() | set.type_mass.size() << 4);
        for (std::size_t k = 0; k < e->entries.size(); ++k)
            record[at_entries + k / 2] |= static_cast<std::uint8_t>(e->entries[k] << (k % 2 ? 4 : 0));
    } else {
        e = encode_uniform_lists(set);
        if (!e) return RecordFit::codes_only;
        flags |= flag_uniform_lists;
        const std::int32_t ncomp = *set.ncomp;
        std::memcpy(record + at_uniform_ncomp, &ncomp, 4);
        record[at_uniform_softening_entries] = static_cast<std::uint8_t>(set.softening.size());
        record[at_uniform_mass_entries] = static_cast<std::uint8_t>(set.type_mass.size());
    }
    record[at_flags] = static_cast<std::uint8_t>(flags | e->palette.size() << 4);
    // Lists of only zeros and shared masses have no values (and an empty palette's data()
    // may be null, which memcpy must not get).
    if (!e->palette.empty()) std::memcpy(record + at_values, e->palette.data(), 4 * e->palette.size());
    return RecordFit::whole;
}

std::array<std::int32_t, particle_types> gadget_record_codes(const unsigned char* record) {
    std::array<std::int32_t, particle_types> code;
    for (int t = 0; t < particle_types; ++t) code[t] = t;
    std::size_t at;
    if (std::memcmp(record, magic_v1, 4) == 0) at = v1_codes;
    else if (std::memcmp(record, magic_v2, 4) == 0) at = at_codes;
    else return code;
    for (int t = 0; t < particle_types; ++t) {
        const auto c = static_cast<std::int8_t>(record[at + t]);
        if (c != no_type_code) code[t] = c;
    }
    return code;
}

void apply_gadget_record(const unsigned char* record, bool swapped, ParticleSet& set) {
    auto i32 = [&](std::size_t off) {
        std::uint32_t v;
        std::memcpy(&v, record + off, 4);
        return static_cast<std::int32_t>(swapped ? byte_swapped(v) : v);
    };
    if (std::memcmp(record, magic_v1, 4) == 0) {
        if (!(record[v1_flags] & flag_text_header)) return;
        TextHeaderRecord r;
        r.ncomp = i32(v1_ncomp);
        r.softening_entries = record[v1_softening_entries];
        r.mass_entries = record[v1_mass_entries];
        r.per_particle_mass = (record[v1_flags] & flag_per_particle_mass) != 0;
        r.softening = stored_float(record + v1_softening, swapped);
        r.type_mass = stored_float(record + v1_mass, swapped);
        r.apply(set);
        return;
    }
    if (std::memcmp(record, magic_v2, 4) != 0) return;
    const std::uint8_t flags = record[at_flags] & 0xF;
    const std::size_t palette = record[at_flags] >> 4;
    if (!(flags & flag_text_header)) return;
    const bool per_particle_mass = (flags & flag_per_particle_mass) != 0;
    if (flags & flag_uniform_lists) {
        TextHeaderRecord r;
        r.ncomp = i32(at_uniform_ncomp);
        r.softening_entries = record[at_uniform_softening_entries];
        r.mass_entries = record[at_uniform_mass_entries];
        r.per_particle_mass = per_particle_mass;
        r.softening = stored_float(record + at_values, swapped);
        r.type_mass = stored_float(record + at_values + 4, swapped);
        r.apply(set);
        return;
    }
    // A record of impossible entries (a damaged header) is passed over: the text
    // header is then derived, as for a file without one.
    const std::size_t n_soft = record[at_counts] & 0xF, n_mass = record[at_counts] >> 4;
    if (palette > palette_max || n_soft + n_mass > entries_max) return;
    auto entry = [&](std::size_t k) {
        return static_cast<std::uint8_t>((record[at_entries + k / 2] >> (k % 2 ? 4 : 0)) & 0xF);
    };
    std::vector<float> soft(n_soft), mass(n_mass);
    const std::vector<float> shared = shared_mass_per_code(set.type, set.mass, n_mass);
    for (std::size_t k = 0; k < n_soft + n_mass; ++k) {
        const std::uint8_t c = entry(k);
        const bool is_mass = k >= n_soft;
        float v;
        if (c == entry_zero) {
            v = 0.0f;
        } else if (c == entry_shared_mass && is_mass) {
            v = shared[k - n_soft];
        } else if (c < palette) {
            v = stored_float(record + at_values + 4 * c, swapped);
        } else {
            return;
        }
        (is_mass ? mass[k - n_soft] : soft[k]) = v;
    }
    std::uint16_t raw;
    std::memcpy(&raw, record + at_ncomp, 2);
    set.ncomp = static_cast<std::int16_t>(swapped ? static_cast<std::uint16_t>(raw >> 8 | raw << 8) : raw);
    set.softening = std::move(soft);
    set.type_mass = std::move(mass);
    set.per_particle_mass = per_particle_mass;
}

}  // namespace galtk
