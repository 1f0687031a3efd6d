#include "snapshot_io.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

#include "binary_input.hpp"
#include "gadget_snapshot.hpp"
#include "hdf5_snapshot.hpp"
#include "output_file.hpp"
#include "text_snapshot.hpp"
#include "tipsy_snapshot.hpp"

namespace galtk {

namespace {

struct FormatName {
    const char* name;
    SnapshotFormat format;
};
constexpr FormatName format_names[] = {
    {"text", SnapshotFormat::text},       {"positions", SnapshotFormat::positions},
    {"gadget1", SnapshotFormat::gadget1}, {"gadget2", SnapshotFormat::gadget2},
    {"hdf5", SnapshotFormat::hdf5},       {"tipsy", SnapshotFormat::tipsy},
};

std::string quoted(const std::filesystem::path& p) { return "\"" + p.string() + "\""; }

void check_finite(const ParticleSet& set, const std::filesystem::path& path, bool allow) {
    if (allow) return;
    if (auto bad = find_nonfinite(set)) {
        throw FormatError(1, "file " + quoted(path) + ": particle " + std::to_string(bad->index) + " (0-based): " +
                                 bad->quantity +
                                 " is not finite, which would stop a simulation code (--allow-nonfinite passes it)");
    }
}

// The gas fields are all empty or all as long as the model.
void check_gas_fields(const ParticleSet& set, const std::filesystem::path& path) {
    const std::size_t u = set.internal_energy.size(), rho = set.density.size(), h = set.smoothing_length.size();
    if ((u == 0 && rho == 0 && h == 0) || (u == set.size() && rho == u && h == u)) return;
    throw FormatError(1, "file " + quoted(path) + ": gas fields of " + std::to_string(u) + " internal energies, " +
                             std::to_string(rho) + " densities and " + std::to_string(h) +
                             " smoothing lengths for " + std::to_string(set.size()) +
                             " particles: expected none or one of each for every particle");
}

void check_writable(const ParticleSet& set, const std::filesystem::path& path, const WriteOptions& options) {
    check_gas_fields(set, path);
    check_finite(set, path, options.allow_nonfinite);
    if (options.box < 0.0 || !std::isfinite(options.box)) {
        throw FormatError(1, "file " + quoted(path) + ": box size " + std::to_string(options.box) +
                                 " must be finite and 0 or more");
    }
}

// Undoes position_shift(): the same float L/2 subtracted, only when every coordinate is
// inside the box (a model centred at the origin with a BoxSize written beside it stays).
void centre_box(ParticleSet& set) {
    const auto box = static_cast<float>(set.box_size);
    for (const Vec3& p : set.pos)
        for (int k = 0; k < 3; ++k)
            if (!(p[k] >= 0.0f && p[k] <= box)) return;
    const auto shift = static_cast<float>(set.box_size / 2.0);
    for (Vec3& p : set.pos) p = {p.x - shift, p.y - shift, p.z - shift};
}

}  // namespace

std::optional<SnapshotFormat> parse_format_name(std::string_view name) {
    for (const FormatName& f : format_names)
        if (name == f.name) return f.format;
    return std::nullopt;
}

const char* format_name(SnapshotFormat format) {
    for (const FormatName& f : format_names)
        if (format == f.format) return f.name;
    return "?";
}

std::optional<SnapshotFormat> format_from_extension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".hdf5" || ext == ".h5") return SnapshotFormat::hdf5;
    return std::nullopt;
}

std::optional<SwiftUnits> parse_swift_units(std::string_view text) {
    if (text == "galactic") {
        // kpc, 1e10 solar masses, and the time unit kpc / (km/s).
        SwiftUnits u;
        u.length_cgs = 3.085678e21;
        u.mass_cgs = 1.989e43;
        u.time_cgs = 3.085678e16;
        return u;
    }
    double v[5] = {0.0, 0.0, 0.0, 1.0, 1.0};
    int n = 0;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        if (n == 5) return std::nullopt;
        auto [p, ec] = std::from_chars(item.data(), item.data() + item.size(), v[n]);
        if (ec != std::errc() || p != item.data() + item.size() || !(v[n] > 0.0) || !std::isfinite(v[n]))
            return std::nullopt;
        ++n;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    if (n < 3) return std::nullopt;
    return SwiftUnits{v[0], v[1], v[2], v[3], v[4]};
}

ModelUnits model_units(const SwiftUnits& u) { return {u.length_cgs, u.mass_cgs, u.length_cgs / u.time_cgs}; }

SwiftUnits swift_units(const ModelUnits& u) {
    SwiftUnits s;
    s.length_cgs = u.length_cgs;
    s.mass_cgs = u.mass_cgs;
    s.time_cgs = u.length_cgs / u.velocity_cgs;
    return s;
}

std::optional<NonFinite> find_nonfinite(const ParticleSet& set) {
    for (std::size_t i = 0; i < set.size(); ++i) {
        const Vec3& p = set.pos[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return NonFinite{i, "position"};
        if (!std::isfinite(set.mass[i])) return NonFinite{i, "mass"};
    }
    if (!set.has_gas_fields()) return std::nullopt;
    const std::pair<const std::vector<float>*, const char*> fields[] = {
        {&set.internal_energy, "internal energy"}, {&set.density, "density"}, {&set.smoothing_length, "smoothing length"}};
    std::optional<NonFinite> first;
    for (const auto& [v, name] : fields) {
        const auto bad = std::find_if(v->begin(), v->end(), [](float x) { return !std::isfinite(x); });
        const auto i = static_cast<std::size_t>(bad - v->begin());
        if (bad != v->end() && (!first || i < first->index)) first = NonFinite{i, name};
    }
    return first;
}

SnapshotFormat detect_format(const std::filesystem::path& path) {
    BinaryInput in(path);
    unsigned char head[32] = {};
    const std::size_t got = std::min<std::uint64_t>(in.size(), sizeof head);
    in.read_at(0, head, got, "file start");
    static const unsigned char hdf5_signature[8] = {0x89, 'H', 'D', 'F', '\r', '\n', 0x1a, '\n'};
    if (got >= 8 && std::memcmp(head, hdf5_signature, 8) == 0) return SnapshotFormat::hdf5;
    if (got >= 4) {
        std::uint32_t le, be;
        std::memcpy(&le, head, 4);
        be = byte_swapped(le);
        if (le == 256 || be == 256) return SnapshotFormat::gadget1;
        if ((le == 8 || be == 8) && got >= 8 && std::memcmp(head + 4, "HEAD", 4) == 0) return SnapshotFormat::gadget2;
    }
    if (tipsy_header_matches(head, got, in.size())) return SnapshotFormat::tipsy;
    // Bytes no text file holds, in a header tipsy's shape: a tipsy file of the wrong size.
    if (std::find(head, head + got, 0) != head + got && tipsy_header_plausible(head, got)) return SnapshotFormat::tipsy;
    return first_line_has_one_value(path) ? SnapshotFormat::positions : SnapshotFormat::text;
}

ParticleSet read_snapshot(const std::filesystem::path& path, const ReadOptions& options) {
    const SnapshotFormat format = options.format ? *options.format : detect_format(path);
    ParticleSet set;
    switch (format) {
        case SnapshotFormat::text: set = read_text_snapshot(path, options); break;
        case SnapshotFormat::positions: set = read_position_list(path, options); break;
        case SnapshotFormat::gadget1:
        case SnapshotFormat::gadget2: set = read_gadget_snapshot(path); break;
        case SnapshotFormat::hdf5: set = read_hdf5_snapshot(path); break;
        case SnapshotFormat::tipsy: set = read_tipsy_snapshot(path, options.units); break;
    }
    if (!set.units) set.units = options.units;
    check_finite(set, path, options.allow_nonfinite);
    if (options.centre_box && set.box_size > 0.0) centre_box(set);
    return set;
}

std::string write_snapshot(OutputFile& out, const ParticleSet& set, SnapshotFormat format, const WriteOptions& options) {
    const std::filesystem::path& path = out.target();
    check_writable(set, path, options);
    switch (format) {
        case SnapshotFormat::text: write_text_snapshot(out, set, options); return {};
        case SnapshotFormat::positions:
            throw FormatError(1, "file " + quoted(path) + ": position lists are read, not written");
        case SnapshotFormat::gadget1:
        case SnapshotFormat::gadget2: return write_gadget_snapshot(out, set, format == SnapshotFormat::gadget2, options);
        case SnapshotFormat::hdf5: write_hdf5_snapshot(out, set, options); return {};
        case SnapshotFormat::tipsy: return write_tipsy_snapshot(out, set, options);
    }
    return {};
}

std::string write_snapshot(const std::filesystem::path& path, const ParticleSet& set, SnapshotFormat format,
                           const WriteOptions& options) {
    // Refusals of the set or the options come before a temporary is made.
    check_writable(set, path, options);
    OutputFile out(path);
    std::string lost = write_snapshot(out, set, format, options);
    out.commit();
    return lost;
}

}  // namespace galtk
