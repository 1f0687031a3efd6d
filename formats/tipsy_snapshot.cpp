#include "tipsy_snapshot.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>

#include "binary_input.hpp"
#include "gas_physics.hpp"
#include "text_header.hpp"
#include "text_header_record.hpp"

namespace galtk {

namespace {

constexpr std::uint64_t header_bytes = 32;
constexpr std::uint64_t gas_floats = 12, dark_floats = 9, star_floats = 11;
// Type codes of the three particle classes when the file carries none of its own (the
// galaxy convention of the GADGET types: gas 0, halo 1, stars 4).
constexpr std::int32_t gas_code = 0, dark_code = 1, star_code = 4;

// The header's last int32 is padding no reader uses; the toolkit packs into it what the
// text header needs beyond the particles: magic 0xA7 (bits 31-24), the model's one
// type code (23-16), ncomp (15-8), the softening and type-mass entry counts (7-5 and
// 4-2), 8-item records (bit 1), type masses all 1/ntot (bit 0; otherwise all equal to
// the particles' mass). The softening length is every particle's eps.
constexpr std::uint32_t record_magic = 0xA7;

struct Header {
    double time = 0.0;
    std::int32_t nbodies = 0, ndim = 0, nsph = 0, ndark = 0, nstar = 0;
    std::uint32_t pad = 0;
};

Header decode(const unsigned char* b, bool big) {
    auto u32 = [&](std::size_t off) {
        std::uint32_t v;
        std::memcpy(&v, b + off, 4);
        return big ? byte_swapped(v) : v;
    };
    std::uint64_t t;
    std::memcpy(&t, b, 8);
    Header h;
    h.time = std::bit_cast<double>(big ? byte_swapped(t) : t);
    h.nbodies = static_cast<std::int32_t>(u32(8));
    h.ndim = static_cast<std::int32_t>(u32(12));
    h.nsph = static_cast<std::int32_t>(u32(16));
    h.ndark = static_cast<std::int32_t>(u32(20));
    h.nstar = static_cast<std::int32_t>(u32(24));
    h.pad = u32(28);
    return h;
}

// The size a file of these counts has; none for counts no tipsy file has.
std::optional<std::uint64_t> expected_size(const Header& h) {
    if (h.ndim != 3 || h.nsph < 0 || h.ndark < 0 || h.nstar < 0) return std::nullopt;
    if (std::int64_t{h.nsph} + h.ndark + h.nstar != h.nbodies) return std::nullopt;
    return header_bytes + 4 * (gas_floats * static_cast<std::uint64_t>(h.nsph) +
                               dark_floats * static_cast<std::uint64_t>(h.ndark) +
                               star_floats * static_cast<std::uint64_t>(h.nstar));
}

std::uint32_t be32(float v) { return byte_swapped(std::bit_cast<std::uint32_t>(v)); }

std::uint32_t pack_record(const ParticleSet& set) {
    if (set.size() == 0) return 0;
    const std::int32_t code = set.type[0];
    if (code < -127 || code > 127) return 0;
    if (std::any_of(set.type.begin(), set.type.end(), [code](std::int32_t c) { return c != code; })) return 0;
    const auto r = uniform_text_header(set, 7);
    if (!r || r->ncomp < 0 || r->ncomp > 255) return 0;
    // eps carries the softening only for a code inside the list (a negative code gets eps 0).
    if (r->softening_entries > 0 && (code < 0 || code >= r->softening_entries)) return 0;
    bool inverse_ntot = false;
    if (r->mass_entries > 0) {
        const float inv = 1.0f / static_cast<float>(set.size());
        inverse_ntot = std::bit_cast<std::uint32_t>(inv) == std::bit_cast<std::uint32_t>(r->type_mass);
        if (!inverse_ntot && std::bit_cast<std::uint32_t>(set.mass[0]) != std::bit_cast<std::uint32_t>(r->type_mass))
            return 0;
    }
    return record_magic << 24 | (static_cast<std::uint32_t>(code) & 0xFFu) << 16 |
           static_cast<std::uint32_t>(r->ncomp) << 8 | static_cast<std::uint32_t>(r->softening_entries) << 5 |
           static_cast<std::uint32_t>(r->mass_entries) << 2 | (r->per_particle_mass ? 2u : 0u) |
           (inverse_ntot ? 1u : 0u);
}

// What the text written from the file would lose of the set's text header when the
// padding word holds no record: a reader gives each particle its class's code (gas 0,
// dark 1, star 4) and each class the softening its particles' eps share (the gas's eps
// being hsmooth).
std::string record_loss(const ParticleSet& set, const std::vector<std::uint8_t>& gas, bool stars,
                        const std::string& file) {
    const std::int32_t rest_code = stars ? star_code : dark_code;
    std::vector<std::int32_t> codes(set.size(), rest_code);
    std::vector<float> softening(std::max(gas_code, std::max(dark_code, star_code)) + 1, 0.0f);
    bool codes_lost = false;
    for (std::int32_t c : {gas_code, rest_code}) {
        std::optional<float> eps;
        bool uniform = true;
        for (std::size_t i = 0; i < set.size(); ++i) {
            const bool in_gas = !gas.empty() && gas[i];
            if ((c == gas_code) != in_gas) continue;
            codes[i] = c;
            codes_lost = codes_lost || set.type[i] != c;
            const std::int32_t t = set.type[i];
            const float e = in_gas ? set.smoothing_length[i]
                                   : (t >= 0 && static_cast<std::size_t>(t) < set.softening.size()
                                          ? set.softening[static_cast<std::size_t>(t)]
                                          : 0.0f);
            if (!eps) eps = e;
            else if (*eps != e) uniform = false;
        }
        if (eps && uniform) softening[static_cast<std::size_t>(c)] = *eps;
    }
    const std::string lost = header_difference(text_header_of(set), derive_text_header(codes, set.mass, softening, {}));
    if (lost.empty() && !codes_lost) return {};
    std::string line = file + ": tipsy keeps one softening per particle class";
    if (codes_lost) line += " and no type codes (each particle comes back as its class: gas 0, dark 1, star 4)";
    if (!lost.empty()) line += "; the text header's " + lost;
    return line;
}

}  // namespace

bool tipsy_header_matches(const unsigned char* head, std::size_t got, std::uint64_t size) {
    if (got < header_bytes) return false;
    for (bool big : {true, false}) {
        const auto expected = expected_size(decode(head, big));
        if (expected && *expected == size) return true;
    }
    return false;
}

bool tipsy_header_plausible(const unsigned char* head, std::size_t got) {
    if (got < header_bytes) return false;
    for (bool big : {true, false}) {
        const Header h = decode(head, big);
        if (expected_size(h) && h.nbodies > 0) return true;
    }
    return false;
}

std::string write_tipsy_snapshot(OutputFile& out, const ParticleSet& set, const WriteOptions& options) {
    const std::string file = out.target().string();
    if (set.size() > static_cast<std::size_t>(INT32_MAX)) {
        throw FormatError(1, "file \"" + file + "\": " + std::to_string(set.size()) +
                                 " particles exceed the 32-bit count of a tipsy header");
    }
    // With gas fields, the particles of type 0 go to the gas block (first, in model
    // order), the others after them; without, every particle is dark (or a star).
    std::vector<std::uint8_t> gas;
    std::size_t n_gas = 0;
    if (set.has_gas_fields()) {
        gas.resize(set.size());
        for (std::size_t i = 0; i < set.size(); ++i) {
            const auto t = options.type_map.type_of(set.type[i]);
            gas[i] = t && *t == 0;
            n_gas += gas[i];
        }
    }
    const auto n = static_cast<std::uint32_t>(set.size());
    const auto rest = static_cast<std::uint32_t>(set.size() - n_gas);
    unsigned char h[header_bytes] = {};
    const std::uint64_t time = byte_swapped(std::bit_cast<std::uint64_t>(set.time));
    std::memcpy(h, &time, 8);
    // The toolkit's record describes a model of one class only (its eps the softening).
    const std::uint32_t record = n_gas == 0 ? pack_record(set) : 0;
    const std::uint32_t fields[6] = {n, 3, static_cast<std::uint32_t>(n_gas), options.tipsy_stars ? 0 : rest,
                                     options.tipsy_stars ? rest : 0, record};
    for (int k = 0; k < 6; ++k) {
        const std::uint32_t v = byte_swapped(fields[k]);
        std::memcpy(h + 8 + 4 * k, &v, 4);
    }
    out.write(h, header_bytes);

    const float shift = position_shift(options);
    const double kelvin = kelvin_per_energy(tipsy_velocity_unit(options, set));
    constexpr std::size_t chunk = 1 << 14;
    std::unique_ptr<std::uint32_t[]> buffer(new std::uint32_t[chunk * gas_floats]);
    for (const bool gas_pass : {true, false}) {
        if (gas_pass && n_gas == 0) continue;
        const std::size_t per = gas_pass ? gas_floats : options.tipsy_stars ? star_floats : dark_floats;
        std::uint32_t* b = buffer.get();
        std::size_t m = 0;
        for (std::size_t i = 0; i < set.size(); ++i) {
            if ((!gas.empty() && gas[i]) != gas_pass) continue;
            const Vec3& p = set.pos[i];
            const Vec3& v = set.vel[i];
            b[0] = be32(set.mass[i]);
            if (shift != 0.0f) {
                b[1] = be32(p.x + shift), b[2] = be32(p.y + shift), b[3] = be32(p.z + shift);
            } else {
                b[1] = be32(p.x), b[2] = be32(p.y), b[3] = be32(p.z);
            }
            b[4] = be32(v.x), b[5] = be32(v.y), b[6] = be32(v.z);
            if (gas_pass) {
                b[7] = be32(set.density[i]);
                b[8] = be32(static_cast<float>(set.internal_energy[i] * kelvin));
                b[9] = be32(set.smoothing_length[i]);
                b[10] = b[11] = 0;  // metals, potential
            } else {
                const std::int32_t code = set.type[i];
                const float eps = code >= 0 && static_cast<std::size_t>(code) < set.softening.size()
                                      ? set.softening[static_cast<std::size_t>(code)]
                                      : 0.0f;
                if (options.tipsy_stars) {
                    b[7] = b[8] = 0;  // metals, formation time
                    b[9] = be32(eps);
                    b[10] = 0;  // potential
                } else {
                    b[7] = be32(eps);
                    b[8] = 0;
                }
            }
            b += per;
            if (++m == chunk) {
                out.write(buffer.get(), m * per * 4);
                b = buffer.get();
                m = 0;
            }
        }
        out.write(buffer.get(), m * per * 4);
    }
    return record != 0 ? std::string() : record_loss(set, gas, options.tipsy_stars, file);
}

double tipsy_velocity_unit(const WriteOptions& options, const ParticleSet& set) {
    if (options.units) return model_units(*options.units).velocity_cgs;
    if (set.units) return set.units->velocity_cgs;
    return galactic_units().velocity_cgs;
}

ParticleSet read_tipsy_snapshot(const std::filesystem::path& path, const std::optional<ModelUnits>& units) {
    const BinaryInput in(path);
    unsigned char head[header_bytes] = {};
    in.read_at(0, head, header_bytes, "header");
    bool big = true;
    Header h = decode(head, true);
    std::optional<std::uint64_t> size = expected_size(h);
    if (!size || *size != in.size()) {
        const Header little = decode(head, false);
        const auto little_size = expected_size(little);
        if (little_size && *little_size == in.size()) {
            big = false;
            h = little;
            size = little_size;
        }
    }
    if (!size) {
        in.fail("header: counts nbodies " + std::to_string(h.nbodies) + ", ndim " + std::to_string(h.ndim) +
                ", nsph " + std::to_string(h.nsph) + ", ndark " + std::to_string(h.ndark) + ", nstar " +
                std::to_string(h.nstar) + " are not those of a tipsy file (ndim 3, nbodies = nsph + ndark + nstar)");
    }
    if (*size != in.size()) {
        in.fail("size " + std::to_string(in.size()) + " bytes, but the header's counts need " + std::to_string(*size) +
                " (32 + 48 nsph + 36 ndark + 44 nstar)");
    }

    ParticleSet set;
    set.time = h.time;
    set.units = units;
    const auto n = static_cast<std::size_t>(h.nbodies);
    set.resize(n);
    const auto n_gas = static_cast<std::size_t>(h.nsph);
    if (n_gas > 0) set.add_gas_fields();
    const double kelvin = kelvin_per_energy(units ? units->velocity_cgs : galactic_units().velocity_cgs);
    std::vector<float> eps(n);
    struct Block {
        const char* name;
        std::size_t count;
        std::uint64_t floats;
        std::size_t eps_at;
        std::int32_t code;
    };
    const Block blocks[] = {{"gas particles", static_cast<std::size_t>(h.nsph), gas_floats, 9, gas_code},
                            {"dark particles", static_cast<std::size_t>(h.ndark), dark_floats, 7, dark_code},
                            {"star particles", static_cast<std::size_t>(h.nstar), star_floats, 9, star_code}};
    constexpr std::size_t chunk = 1 << 14;
    std::unique_ptr<std::uint32_t[]> buffer(new std::uint32_t[chunk * gas_floats]);
    std::uint64_t off = header_bytes;
    std::size_t i = 0;
    for (const Block& b : blocks) {
        for (std::size_t k = 0; k < b.count;) {
            const std::size_t m = std::min(chunk, b.count - k);
            in.read_at(off, buffer.get(), m * b.floats * 4, b.name);
            if (big) swap_words(buffer.get(), m * b.floats, 4);
            const std::uint32_t* w = buffer.get();
            for (std::size_t j = 0; j < m; ++j, ++i, w += b.floats) {
                set.mass[i] = std::bit_cast<float>(w[0]);
                set.pos[i] = {std::bit_cast<float>(w[1]), std::bit_cast<float>(w[2]), std::bit_cast<float>(w[3])};
                set.vel[i] = {std::bit_cast<float>(w[4]), std::bit_cast<float>(w[5]), std::bit_cast<float>(w[6])};
                set.type[i] = b.code;
                eps[i] = std::bit_cast<float>(w[b.eps_at]);
                if (i < n_gas) {
                    set.density[i] = std::bit_cast<float>(w[7]);
                    set.internal_energy[i] = static_cast<float>(std::bit_cast<float>(w[8]) / kelvin);
                    set.smoothing_length[i] = std::bit_cast<float>(w[9]);
                }
            }
            off += m * b.floats * 4;
            k += m;
        }
    }

    if (h.pad >> 24 == record_magic && n > 0) {
        const auto code = static_cast<std::int8_t>((h.pad >> 16) & 0xFFu);
        std::fill(set.type.begin(), set.type.end(), code);
        TextHeaderRecord r;
        r.ncomp = static_cast<std::int32_t>((h.pad >> 8) & 0xFFu);
        r.softening_entries = static_cast<std::uint8_t>((h.pad >> 5) & 7u);
        r.mass_entries = static_cast<std::uint8_t>((h.pad >> 2) & 7u);
        r.per_particle_mass = (h.pad & 2u) != 0;
        r.softening = eps[0];
        r.type_mass = (h.pad & 1u) ? 1.0f / static_cast<float>(n) : set.mass[0];
        r.apply(set);
    } else {
        // Each class's softening length, when all its particles share one.
        for (const Block& b : blocks) {
            const auto k = static_cast<std::size_t>(b.code);
            if (set.softening.size() <= k) set.softening.resize(k + 1, 0.0f);
        }
        std::size_t start = 0;
        for (const Block& b : blocks) {
            if (b.count > 0 && std::all_of(eps.begin() + static_cast<std::ptrdiff_t>(start),
                                           eps.begin() + static_cast<std::ptrdiff_t>(start + b.count),
                                           [&](float e) { return e == eps[start]; }))
                set.softening[static_cast<std::size_t>(b.code)] = eps[start];
            start += b.count;
        }
    }
    return set;
}

}  // namespace galtk
