#include "gadget_snapshot.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "binary_input.hpp"
#include "particle_order.hpp"
#include "gadget_header_record.hpp"
#include "text_header.hpp"

namespace galtk {

static_assert(std::endian::native == std::endian::little, "the GADGET writer stores the machine's order");

namespace {

constexpr std::uint32_t header_bytes = 256;

// Header fields by byte offset (FORMATS.md).
constexpr std::size_t off_npart = 0, off_mass = 24, off_time = 72, off_npart_total = 96, off_num_files = 124,
                      off_box = 128, off_high_word = 168, off_entropy_flag = 192;
// The blocks of the gas particles after MASS, in the order GADGET-2 writes them: U is
// all its initial conditions need; RHO and HSML are in its snapshots.
struct GasBlock {
    const char* label;
    std::vector<float> ParticleSet::*field;
};
constexpr GasBlock gas_blocks[] = {{"U   ", &ParticleSet::internal_energy},
                                   {"RHO ", &ParticleSet::density},
                                   {"HSML", &ParticleSet::smoothing_length}};

// "block POS" for the label "POS " (labels are padded to four characters).
std::string block_name(const char label[4]) {
    std::string s(label, 4);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return "block " + s;
}

template <class T>
void put(unsigned char* h, std::size_t off, T v) {
    std::memcpy(h + off, &v, sizeof v);
}

// The model's type code of every type that has particles, when one code per type;
// none when a type holds particles of several codes or a code beyond an int8.
std::optional<TypeCodes> codes_per_type(const ParticleSet& set, const TypeOrder& o) {
    TypeCodes codes;
    codes.fill(no_type_code);
    std::array<bool, particle_types> seen{};
    for (std::size_t i = 0; i < set.size(); ++i) {
        const std::int32_t c = set.type[i];
        const std::uint8_t t = o.type[i];
        if (c < -127 || c > 127) return std::nullopt;
        if (!seen[t]) {
            seen[t] = true;
            codes[t] = static_cast<std::int8_t>(c);
        } else if (codes[t] != c) {
            return std::nullopt;
        }
    }
    return codes;
}

// What the record could not carry, as the text written from the file would show it;
// empty when the file gives the text header back whole.
std::string record_loss(const ParticleSet& set, const TypeOrder& o, RecordFit fit, const std::string& file) {
    if (fit == RecordFit::whole || fit == RecordFit::nothing_needed) return {};
    TextHeader after;
    std::string why;
    if (fit == RecordFit::codes_only) {
        after = derive_text_header(set.type, set.mass, {}, {});
        why = "the GADGET header's free bytes hold at most 12 list entries of five values besides 0 and each "
              "code's own mass";
    } else {
        // The reader gives each particle its GADGET type as code.
        const std::vector<std::int32_t> types(o.type.begin(), o.type.end());
        after = derive_text_header(types, set.mass, {}, {});
        why = "a GADGET type holds particles of several type codes (or a code beyond -127..127), which come back as "
              "the type numbers";
    }
    const std::string lost = header_difference(text_header_of(set), after);
    if (lost.empty()) return {};
    return file + ": " + why + "; the text header's " + lost;
}

// Gathers the quantity of every particle in file order into big blocks.
template <class T, class Get>
void write_gathered(OutputFile& out, std::size_t n, Get get) {
    constexpr std::size_t chunk = 1 << 16;
    std::unique_ptr<T[]> buffer(new T[chunk]);
    for (std::size_t k = 0; k < n;) {
        const std::size_t m = std::min(chunk, n - k);
        for (std::size_t j = 0; j < m; ++j) buffer[j] = get(k + j);
        out.write(buffer.get(), m * sizeof(T));
        k += m;
    }
}

class RecordWriter {
public:
    RecordWriter(OutputFile& out, bool format2) : out_(out), format2_(format2) {}
    // The markers (and in format 2 the label record) around a payload of `bytes`.
    void begin(const char label[4], std::uint64_t bytes) {
        if (bytes > UINT32_MAX - 8) {
            throw FormatError(1, "file \"" + out_.target().string() + "\": " + block_name(label) + " of " +
                                     std::to_string(bytes) + " bytes exceeds the 32-bit record markers of GADGET files");
        }
        const auto b = static_cast<std::uint32_t>(bytes);
        if (format2_) {
            const std::uint32_t eight = 8, next = b + 8;
            out_.write(&eight, 4);
            out_.write(label, 4);
            out_.write(&next, 4);
            out_.write(&eight, 4);
        }
        out_.write(&b, 4);
        bytes_ = b;
    }
    void end() { out_.write(&bytes_, 4); }

private:
    OutputFile& out_;
    bool format2_;
    std::uint32_t bytes_ = 0;
};

}  // namespace

std::string write_gadget_snapshot(OutputFile& out, const ParticleSet& set, bool format2, const WriteOptions& options) {
    const std::string file = out.target().string();
    const TypeOrder o = order_by_type(set, options.type_map, file);
    const std::size_t n = set.size();

    // The mass table: the shared mass of each type whose particles all have one; 0 (and
    // the masses in the MASS block) for the others.
    std::array<double, particle_types> table{};
    std::array<bool, particle_types> uniform, seen{};
    uniform.fill(true);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t t = o.type[i];
        const auto m = static_cast<double>(set.mass[i]);
        if (!seen[t]) {
            seen[t] = true;
            table[t] = m;
        } else if (std::memcmp(&table[t], &m, sizeof m) != 0) {
            uniform[t] = false;
        }
    }
    std::uint64_t in_mass_block = 0;
    for (int t = 0; t < particle_types; ++t) {
        if (!uniform[t] || (seen[t] && table[t] == 0.0)) {
            // A zero entry means "masses in the block": a type of massless particles
            // goes there too.
            table[t] = 0.0;
            uniform[t] = false;
            in_mass_block += o.count[t];
        }
    }

    unsigned char h[header_bytes] = {};
    for (int t = 0; t < particle_types; ++t) {
        if (o.count[t] > INT32_MAX) {
            throw FormatError(1, "file \"" + file + "\": " + std::to_string(o.count[t]) + " particles of type " +
                                     std::to_string(t) + " exceed the header's 32-bit count");
        }
        put(h, off_npart + 4 * t, static_cast<std::int32_t>(o.count[t]));
        put(h, off_mass + 8 * t, table[t]);
        put(h, off_npart_total + 4 * t, static_cast<std::uint32_t>(o.count[t]));
        put(h, off_high_word + 4 * t, static_cast<std::uint32_t>(o.count[t] >> 32));
    }
    put(h, off_time, set.time);
    put(h, off_num_files, std::int32_t{1});
    put(h, off_box, options.box);
    const RecordFit fit = pack_gadget_record(h + gadget_record_offset, set, codes_per_type(set, o));

    RecordWriter record(out, format2);
    record.begin("HEAD", header_bytes);
    out.write(h, header_bytes);
    record.end();

    const float shift = position_shift(options);
    record.begin("POS ", std::uint64_t{12} * n);
    if (o.order.empty() && shift == 0.0f) {
        out.write(set.pos.data(), 12 * n);
    } else {
        write_gathered<Vec3>(out, n, [&](std::size_t k) {
            Vec3 p = set.pos[o.at(k)];
            if (shift != 0.0f) p = {p.x + shift, p.y + shift, p.z + shift};
            return p;
        });
    }
    record.end();

    record.begin("VEL ", std::uint64_t{12} * n);
    if (o.order.empty()) {
        out.write(set.vel.data(), 12 * n);
    } else {
        write_gathered<Vec3>(out, n, [&](std::size_t k) { return set.vel[o.at(k)]; });
    }
    record.end();

    const bool wide = needs_64bit_ids(set);
    record.begin("ID  ", (wide ? std::uint64_t{8} : 4) * n);
    if (wide) {
        write_gathered<std::uint64_t>(out, n, [&](std::size_t k) { return id_at(set, o, k); });
    } else {
        write_gathered<std::uint32_t>(out, n, [&](std::size_t k) { return static_cast<std::uint32_t>(id_at(set, o, k)); });
    }
    record.end();

    if (in_mass_block > 0) {
        record.begin("MASS", 4 * in_mass_block);
        std::size_t start = 0;  // file position of the type's first particle
        for (int t = 0; t < particle_types; ++t) {
            if (!uniform[t])
                write_gathered<float>(out, o.count[t], [&](std::size_t k) { return set.mass[o.at(start + k)]; });
            start += o.count[t];
        }
        record.end();
    }

    // The gas is type 0: the first count[0] particles of the file.
    const std::uint64_t n_gas = o.count[0];
    if (set.has_gas_fields() && n_gas > 0) {
        for (const GasBlock& b : gas_blocks) {
            const std::vector<float>& field = set.*b.field;
            record.begin(b.label, 4 * n_gas);
            if (o.order.empty()) {
                out.write(field.data(), 4 * n_gas);
            } else {
                write_gathered<float>(out, n_gas, [&](std::size_t k) { return field[o.at(k)]; });
            }
            record.end();
        }
    }
    return record_loss(set, o, fit, file);
}

namespace {

// A GADGET file read record by record, with its byte order and format.
class RecordReader {
public:
    explicit RecordReader(const BinaryInput& in) : in_(in) {
        std::uint32_t first = 0;
        in_.read_at(0, &first, 4, "block HEAD: first record marker");
        swap_ = first == byte_swapped(std::uint32_t{256}) || first == byte_swapped(std::uint32_t{8});
        const std::uint32_t native = swap_ ? byte_swapped(first) : first;
        if (native != 256 && native != 8) {
            in_.fail("block HEAD: first record marker " + std::to_string(native) +
                     ", expected 256 (format 1) or 8 (format 2)");
        }
        format2_ = native == 8;
    }
    bool swapped() const { return swap_; }

    std::uint32_t u32(std::uint64_t off, const std::string& what) const {
        std::uint32_t v = 0;
        in_.read_at(off, &v, 4, what);
        return swap_ ? byte_swapped(v) : v;
    }

    // Steps over the label record (format 2) and the opening marker of the next block,
    // checks the closing marker, and returns the payload size; the payload starts at
    // payload().
    std::uint64_t open(const char label[4]) {
        const std::string block = block_name(label);
        if (format2_) {
            char got[4];
            if (u32(at_, block + ": label record marker") != 8) in_.fail(block + ": label record marker is not 8");
            in_.read_at(at_ + 4, got, 4, block + ": label");
            if (std::memcmp(got, label, 4) != 0) {
                std::string shown;
                for (char c : got) shown += (c >= 0x20 && c < 0x7f) ? c : '?';
                in_.fail(block + ": found the label \"" + shown + "\" at byte " + std::to_string(at_ + 4));
            }
            if (u32(at_ + 12, block + ": label record end marker") != 8)
                in_.fail(block + ": label record end marker is not 8");
            at_ += 16;
        }
        const std::uint64_t bytes = u32(at_, block + ": opening record marker");
        if (at_ + 8 + bytes > in_.size()) {
            in_.fail(block + ": the record of " + std::to_string(bytes) + " bytes at byte " + std::to_string(at_) +
                     " runs past the end of the file (" + std::to_string(in_.size()) + " bytes)");
        }
        const std::uint32_t closing = u32(at_ + 4 + bytes, block + ": closing record marker");
        if (closing != bytes) {
            in_.fail(block + ": record markers disagree: " + std::to_string(bytes) + " before the payload, " +
                     std::to_string(closing) + " after it");
        }
        payload_ = at_ + 4;
        at_ += 8 + bytes;
        return bytes;
    }
    std::uint64_t payload() const { return payload_; }

    // The next block when it is there: none at the end of the file, or (format 2) when
    // the next label is another one. A record that is there but damaged is refused.
    std::optional<std::uint64_t> open_if_present(const char label[4]) {
        if (at_ >= in_.size()) return std::nullopt;
        if (format2_) {
            char got[4];
            in_.read_at(at_ + 4, got, 4, block_name(label) + ": label");
            if (std::memcmp(got, label, 4) != 0) return std::nullopt;
        }
        return open(label);
    }

private:
    const BinaryInput& in_;
    bool swap_ = false;
    bool format2_ = false;
    std::uint64_t at_ = 0;
    std::uint64_t payload_ = 0;
};

// The interleaved x y z of an array of Vec3 (three packed floats each).
float* first_float(std::vector<Vec3>& v) { return v.empty() ? nullptr : &v.front().x; }

// Reads `count` values of `width` bytes (4 or 8) at `off` into floats.
void read_reals(const BinaryInput& in, std::uint64_t off, float* out, std::size_t count, int width, bool swap,
                const std::string& what) {
    if (width == 4) {
        in.read_at(off, out, 4 * count, what);
        if (swap) swap_words(out, count, 4);
        return;
    }
    constexpr std::size_t chunk = 1 << 16;
    std::unique_ptr<double[]> buffer(new double[std::min(chunk, std::max<std::size_t>(count, 1))]);
    for (std::size_t k = 0; k < count;) {
        const std::size_t m = std::min(chunk, count - k);
        in.read_at(off + 8 * k, buffer.get(), 8 * m, what);
        if (swap) swap_words(buffer.get(), m, 8);
        for (std::size_t j = 0; j < m; ++j) out[k + j] = static_cast<float>(buffer[j]);
        k += m;
    }
}

// The value width of a block of `per` values per particle: 4 or 8 bytes.
int width_of(const BinaryInput& in, const char* label, std::uint64_t bytes, std::uint64_t values,
             const char* kinds) {
    if (bytes == 4 * values) return 4;
    if (bytes == 8 * values) return 8;
    in.fail(block_name(label) + ": record of " + std::to_string(bytes) + " bytes, expected " +
            std::to_string(4 * values) + " or " + std::to_string(8 * values) + " (" + kinds + ") for the " +
            "particle counts of the header");
}

// U, RHO and HSML of the `n_gas` particles of type 0 (the first in the file), as far as
// the file has them: a file without U has no gas fields; one with U alone gets density
// and smoothing length 0. A format-1 record of another size ends the gas blocks (a block
// this reader does not know).
void read_gas_blocks(const BinaryInput& in, RecordReader& records, std::uint64_t n_gas, bool entropy,
                     ParticleSet& set) {
    for (const GasBlock& b : gas_blocks) {
        const auto bytes = records.open_if_present(b.label);
        if (!bytes || (*bytes != 4 * n_gas && *bytes != 8 * n_gas)) return;
        if (&b == gas_blocks && entropy) {
            in.fail("block U: the header's flag_entropy_instead_u says it holds entropies, which the toolkit does "
                    "not convert to internal energies");
        }
        if (!set.has_gas_fields()) set.add_gas_fields();
        read_reals(in, records.payload(), (set.*b.field).data(), n_gas, *bytes == 4 * n_gas ? 4 : 8,
                   records.swapped(), block_name(b.label));
    }
}

}  // namespace

ParticleSet read_gadget_snapshot(const std::filesystem::path& path) {
    const BinaryInput in(path);
    RecordReader records(in);
    if (records.open("HEAD") != header_bytes) in.fail("block HEAD: the header record is not 256 bytes");
    unsigned char h[header_bytes];
    in.read_at(records.payload(), h, header_bytes, "block HEAD");
    auto i32 = [&](std::size_t off) {
        std::uint32_t v;
        std::memcpy(&v, h + off, 4);
        return static_cast<std::int32_t>(records.swapped() ? byte_swapped(v) : v);
    };
    auto f64 = [&](std::size_t off) {
        std::uint64_t v;
        std::memcpy(&v, h + off, 8);
        if (records.swapped()) v = byte_swapped(v);
        return std::bit_cast<double>(v);
    };

    ParticleSet set;
    std::array<std::uint64_t, particle_types> count{};
    std::array<double, particle_types> table{};
    std::uint64_t n = 0, in_mass_block = 0;
    for (int t = 0; t < particle_types; ++t) {
        const std::int32_t c = i32(off_npart + 4 * t);
        if (c < 0) in.fail("block HEAD: npart[" + std::to_string(t) + "] = " + std::to_string(c) + " is negative");
        count[t] = static_cast<std::uint64_t>(c);
        table[t] = f64(off_mass + 8 * t);
        n += count[t];
        if (table[t] == 0.0) in_mass_block += count[t];
    }
    const std::int32_t files = i32(off_num_files);
    if (files > 1) {
        in.fail("block HEAD: num_files = " + std::to_string(files) +
                ": this is one file of a snapshot split over several; only single-file snapshots are read");
    }
    set.time = f64(off_time);
    set.box_size = f64(off_box);

    // Every size is checked against the file before anything is allocated.
    const std::uint64_t pos_bytes = records.open("POS ");
    const int pos_width = width_of(in, "POS ", pos_bytes, 3 * n, "3 floats or 3 doubles a particle");
    set.resize(n);
    read_reals(in, records.payload(), first_float(set.pos), 3 * n, pos_width, records.swapped(), "block POS");
    const std::uint64_t vel_bytes = records.open("VEL ");
    const int vel_width = width_of(in, "VEL ", vel_bytes, 3 * n, "3 floats or 3 doubles a particle");
    read_reals(in, records.payload(), first_float(set.vel), 3 * n, vel_width, records.swapped(), "block VEL");

    const std::uint64_t id_bytes = records.open("ID  ");
    const int id_width = width_of(in, "ID  ", id_bytes, n, "32- or 64-bit IDs");
    set.id.resize(n);
    if (id_width == 8) {
        in.read_at(records.payload(), set.id.data(), 8 * n, "block ID");
        if (records.swapped()) swap_words(set.id.data(), n, 8);
    } else {
        // Read into the first half of the 64-bit store and widened in place from the end
        // (no second array).
        auto* narrow = reinterpret_cast<unsigned char*>(set.id.data());
        in.read_at(records.payload(), narrow, 4 * n, "block ID");
        if (records.swapped()) swap_words(narrow, n, 4);
        for (std::size_t k = n; k-- > 0;) {
            std::uint32_t v;
            std::memcpy(&v, narrow + 4 * k, 4);
            set.id[k] = v;
        }
    }

    std::vector<float> block_masses;
    if (in_mass_block > 0) {
        const std::uint64_t mass_bytes = records.open("MASS");
        const int mass_width = width_of(in, "MASS", mass_bytes, in_mass_block, "one float or double for each "
                                                                               "particle of a type with mass 0 in the table");
        block_masses.resize(in_mass_block);
        read_reals(in, records.payload(), block_masses.data(), in_mass_block, mass_width, records.swapped(),
                   "block MASS");
    }

    if (count[0] > 0) read_gas_blocks(in, records, count[0], i32(off_entropy_flag) != 0, set);

    // Types and masses, then the text header the toolkit's record in the padding gives.
    const std::array<std::int32_t, particle_types> code = gadget_record_codes(h + gadget_record_offset);
    std::size_t k = 0, b = 0;
    for (int t = 0; t < particle_types; ++t) {
        for (std::uint64_t j = 0; j < count[t]; ++j, ++k) {
            set.type[k] = code[t];
            set.mass[k] = table[t] == 0.0 ? block_masses[b++] : static_cast<float>(table[t]);
        }
    }
    apply_gadget_record(h + gadget_record_offset, records.swapped(), set);
    restore_id_order(set);
    return set;
}

}  // namespace galtk
