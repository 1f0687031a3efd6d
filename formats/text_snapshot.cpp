#include "text_snapshot.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "list_reader.hpp"
#include "list_writer.hpp"
#include "particle_files.hpp"
#include "run.hpp"
#include "text_header.hpp"

namespace galtk {

namespace {

constexpr const char* library_name = "formats";

// A frame failure as the library's error: the text without the run's name, and without
// the unit number (a library reader has no unit table).
FormatError as_format_error(const RunFailure& f) {
    std::string s = f.what();
    const std::string prefix = std::string(library_name) + ": ";
    if (s.compare(0, prefix.size(), prefix) == 0) s.erase(0, prefix.size());
    for (const char* kind : {"read failed on unit 1, ", "write failed on unit 1, "}) {
        const std::string k = kind;
        if (s.compare(0, k.size(), k) == 0) s = k.substr(0, k.find(" on unit")) + ", " + s.substr(k.size());
    }
    return FormatError(f.status, s);
}

// An input file bound to a unit of an embedded run.
struct TextInput {
    Run run{library_name, Run::Embedded{}};
    std::unique_ptr<Unit> unit;
    std::size_t bytes = 0;

    explicit TextInput(const std::filesystem::path& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            const int err = errno;
            throw FormatError(2, "cannot open file \"" + path.string() + "\": " + std::strerror(err));
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            // The header is looked at before the records are read: the file is read twice.
            ::close(fd);
            throw FormatError(2, "file \"" + path.string() + "\" is not a regular file (a pipe cannot be read twice)");
        }
        bytes = static_cast<std::size_t>(st.st_size);
        unit = std::make_unique<Unit>(run, 1, path.string(), fd, true, false);
    }
    // A record takes at least one line of two bytes ("/" and the line end), so no
    // store is reserved beyond what the file can hold.
    std::size_t records_possible(std::int32_t count) const {
        return std::min(static_cast<std::size_t>(count), bytes / 2 + 1);
    }
};

inline bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
inline bool ends_token(char c) { return is_blank(c) || c == ',' || c == '/'; }

// What the header and the first record of a snapshot look like: the entries of the list
// lines and whether records have eight items. Read on a unit of its own, so the lines
// are consumed exactly as the real read consumes them.
struct SnapshotShape {
    std::size_t softening_entries = 0;
    std::size_t mass_entries = 0;
    bool eight_items = false;
};

std::size_t next_line_count(Unit& unit, const char* what) {
    std::string_view line;
    if (!unit.next_line(line)) unit.fail_at_end({what}, "a line");
    const std::size_t n = count_list_values(line, header_entries_max + 1);
    if (n > header_entries_max) {
        unit.fail_read({what}, "more than " + std::to_string(header_entries_max) + " values on the line");
    }
    return n;
}

void check_count(Unit& unit, std::int32_t ntot) {
    if (ntot < 0) unit.fail_read({"header line 1 (ntot, thead)"}, "particle count " + std::to_string(ntot) + " is negative");
}

SnapshotShape probe_shape(const std::filesystem::path& path) {
    TextInput in(path);
    SnapshotShape shape;
    std::int32_t ntot = 0, ncomp = 0;
    float thead = 0.0f;
    read_list(*in.unit, {"header line 1 (ntot, thead)"}, ntot, thead);
    check_count(*in.unit, ntot);
    read_list(*in.unit, {"header line 2 (ncomp)"}, ncomp);
    shape.softening_entries = next_line_count(*in.unit, "header line 3 (softening lengths)");
    shape.mass_entries = next_line_count(*in.unit, "header line 4 (type masses)");
    std::string_view line;
    if (ntot > 0 && in.unit->next_line(line) && count_list_values(line, 8) >= 8) {
        // An eighth item that is not a real (a comment) leaves the records at seven.
        float v[7];
        std::int32_t type = 0;
        float mass = 0.0f;
        TextInput again(path);
        for (std::int64_t k = 0; k < in.unit->line_number() - 1; ++k) again.unit->next_line(line);
        try {
            read_list(*again.unit, {"particle record", 1}, v[0], v[1], v[2], v[3], v[4], v[5], type, mass);
            shape.eight_items = true;
        } catch (const RunFailure&) {
            shape.eight_items = false;
        }
    }
    return shape;
}

}  // namespace

std::size_t count_list_values(std::string_view line, std::size_t cap) {
    std::size_t count = 0;
    bool after_comma = true;
    const char* p = line.data();
    const char* e = p + line.size();
    while (count < cap) {
        while (p != e && is_blank(*p)) ++p;
        if (p == e || *p == '/') break;
        if (*p == ',') {
            ++p;
            if (after_comma) ++count;
            after_comma = true;
            continue;
        }
        const char* t = p;
        while (p != e && !ends_token(*p)) ++p;
        after_comma = false;
        const char* q = t;
        std::size_t repeat = 0;
        for (; q != p && *q >= '0' && *q <= '9'; ++q)
            if (repeat <= cap) repeat = repeat * 10 + static_cast<std::size_t>(*q - '0');
        count += (q != t && q != p && *q == '*') ? std::max<std::size_t>(repeat, 1) : 1;
    }
    return std::min(count, cap);
}

bool first_line_has_one_value(const std::filesystem::path& path) {
    try {
        TextInput in(path);
        std::string_view line;
        return in.unit->next_line(line) && count_list_values(line, 3) == 1;
    } catch (const RunFailure&) {
        return false;
    }
}

ParticleSet read_text_snapshot(const std::filesystem::path& path, const ReadOptions& options) {
    (void)options;
    try {
        const SnapshotShape shape = probe_shape(path);
        TextInput in(path);
        Unit& unit = *in.unit;
        ParticleSet set;
        std::int32_t ntot = 0, ncomp = 0;
        float thead = 0.0f;
        read_list(unit, {"header line 1 (ntot, thead)"}, ntot, thead);
        check_count(unit, ntot);
        read_list(unit, {"header line 2 (ncomp)"}, ncomp);
        set.time = thead;
        set.ncomp = ncomp;
        set.softening.assign(shape.softening_entries, 0.0f);
        set.type_mass.assign(shape.mass_entries, 0.0f);
        read_list(unit, {"header line 3 (softening lengths)"}, reals(set.softening));
        read_list(unit, {"header line 4 (type masses)"}, reals(set.type_mass));
        set.per_particle_mass = shape.eight_items;

        const std::size_t reserve = in.records_possible(ntot);
        set.pos.reserve(reserve);
        set.vel.reserve(reserve);
        set.mass.reserve(reserve);
        set.type.reserve(reserve);
        for (std::int32_t i = 1; i <= ntot; ++i) {
            Vec3& p = set.pos.emplace_back();
            Vec3& v = set.vel.emplace_back();
            std::int32_t& t = set.type.emplace_back(0);
            float& m = set.mass.emplace_back(0.0f);
            if (shape.eight_items) {
                read_list(unit, {"particle record", i}, p.x, p.y, p.z, v.x, v.y, v.z, t, m);
            } else {
                read_list(unit, {"particle record", i}, p.x, p.y, p.z, v.x, v.y, v.z, t);
                // A seven-item record takes its mass from the header. A code beyond a
                // list that gives masses would silently weigh nothing; an empty list
                // gives no particle a mass (massless tracers), which stays mass 0.
                if (t >= 0 && static_cast<std::size_t>(t) < set.type_mass.size()) {
                    m = set.type_mass[static_cast<std::size_t>(t)];
                } else if (!set.type_mass.empty()) {
                    unit.fail_read({"particle record", i},
                                   "type code " + std::to_string(t) + " lies beyond the header's mass list (line 4 has " +
                                       std::to_string(set.type_mass.size()) + " entries): the particle would get no mass");
                }
            }
        }
        return set;
    } catch (const RunFailure& f) {
        throw as_format_error(f);
    }
}

ParticleSet read_position_list(const std::filesystem::path& path, const ReadOptions& options) {
    try {
        TextInput in(path);
        Unit& unit = *in.unit;
        ParticleSet set;
        std::int32_t n = 0;
        read_list(unit, {"line 1 (count)"}, n);
        if (n < 0) unit.fail_read({"line 1 (count)"}, "position count " + std::to_string(n) + " is negative");
        const std::size_t reserve = in.records_possible(n);
        set.pos.reserve(reserve);
        for (std::int32_t i = 1; i <= n; ++i) {
            Vec3& p = set.pos.emplace_back();
            read_list(unit, {"position", i}, p.x, p.y, p.z);
        }
        set.vel.assign(set.pos.size(), Vec3{});
        set.mass.assign(set.pos.size(), options.position_mass);
        set.type.assign(set.pos.size(), options.position_type);
        return set;
    } catch (const RunFailure& f) {
        throw as_format_error(f);
    }
}

void write_text_snapshot(OutputFile& out, const ParticleSet& set, const WriteOptions& options) {
    if (set.has_gas_fields() && !options.drop_gas) {
        throw FormatError(1, "file \"" + out.target().string() +
                                 "\": the model's gas fields (internal energy, density, smoothing length) do not fit "
                                 "the records of a text snapshot; --drop-gas writes the particles without them");
    }
    const float shift = position_shift(options);
    if (set.size() > static_cast<std::size_t>(INT32_MAX)) {
        throw FormatError(1, "file \"" + out.target().string() + "\": " + std::to_string(set.size()) +
                                 " particles are more than a text snapshot header can count (2147483647)");
    }
    const TextHeader h = text_header_of(set);
    const bool eight = h.eight_items;
    try {
        Run run(library_name, Run::Embedded{});
        Unit unit(run, 1, out.target().string(), out.fd(), false, true);
        write_snapshot_header(unit, static_cast<std::int32_t>(set.size()), static_cast<float>(set.time), h.ncomp,
                              h.softening, h.type_mass);
        for (std::size_t i = 0; i < set.size(); ++i) {
            Vec3 p = set.pos[i];
            const Vec3& v = set.vel[i];
            if (shift != 0.0f) p = {p.x + shift, p.y + shift, p.z + shift};
            if (eight) {
                write_list(unit, p.x, p.y, p.z, v.x, v.y, v.z, set.type[i], set.mass[i]);
            } else {
                write_list(unit, p.x, p.y, p.z, v.x, v.y, v.z, set.type[i]);
            }
        }
        unit.close();
    } catch (const RunFailure& f) {
        throw as_format_error(f);
    }
}

}  // namespace galtk
