#include "hdf5_snapshot.hpp"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <iterator>
#include <optional>
#include <cstring>
#include <memory>
#include <type_traits>

#include "hdf5_guard.hpp"
#include "hdf5_handles.hpp"
#include "particle_order.hpp"
#include "text_header_record.hpp"

namespace galtk {

namespace {

// The toolkit's own group: what the codes' layout cannot carry of a text model (ignored
// by GADGET-4, AREPO, SWIFT and yt, which read only the groups they know).
constexpr const char* toolkit_group = "Toolkit";
constexpr std::int32_t no_code = INT32_MIN;
constexpr const char* per_particle_codes = "ToolkitTypeCode";
// kind (1 Hernquist, 2 NFW), M or M200, a or r200, c (0 for Hernquist), G.
constexpr const char* analytic_halo_attribute = "AnalyticHalo";
constexpr std::size_t analytic_halo_values = 5;

std::string type_group(int t) { return "PartType" + std::to_string(t); }

void write_header(const h5::File& f, const ParticleSet& set, const TypeOrder& o, const WriteOptions& options) {
    h5::Handle header = f.create_group("Header");
    const hid_t g = header.get();
    std::array<std::int32_t, particle_types> this_file{};
    std::array<std::uint32_t, particle_types> total{}, high{};
    for (int t = 0; t < particle_types; ++t) {
        if (o.count[t] > INT32_MAX) {
            throw FormatError(1, "file \"" + f.name() + "\": " + std::to_string(o.count[t]) + " particles of type " +
                                     std::to_string(t) + " exceed the 32-bit NumPart_ThisFile");
        }
        this_file[t] = static_cast<std::int32_t>(o.count[t]);
        total[t] = static_cast<std::uint32_t>(o.count[t]);
        high[t] = static_cast<std::uint32_t>(o.count[t] >> 32);
    }
    // SWIFT ignores the mass table, so every type carries its Masses dataset and the
    // table stays zero.
    const std::array<double, particle_types> mass_table{};
    auto vec_i32 = [&](const char* name, const void* data, hid_t type) {
        f.write_attribute(g, "Header", name, type, type == H5T_STD_I32LE ? H5T_NATIVE_INT32 : H5T_NATIVE_UINT32,
                          data, particle_types);
    };
    vec_i32("NumPart_ThisFile", this_file.data(), H5T_STD_I32LE);
    vec_i32("NumPart_Total", total.data(), H5T_STD_U32LE);
    vec_i32("NumPart_Total_HighWord", high.data(), H5T_STD_U32LE);
    f.write_attribute(g, "Header", "MassTable", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, mass_table.data(), particle_types);
    const double time = set.time, zero = 0.0, one = 1.0, box = options.box;
    auto scalar_f64 = [&](const char* name, const double& v) {
        f.write_attribute(g, "Header", name, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, &v, 0);
    };
    scalar_f64("Time", time);
    scalar_f64("Redshift", zero);
    scalar_f64("BoxSize", box);
    scalar_f64("Omega0", zero);
    scalar_f64("OmegaLambda", zero);
    scalar_f64("HubbleParam", one);
    const std::int32_t files = 1, flag = 0;
    f.write_attribute(g, "Header", "NumFilesPerSnapshot", H5T_STD_I32LE, H5T_NATIVE_INT32, &files, 0);
    for (const char* name : {"Flag_Sfr", "Flag_Cooling", "Flag_StellarAge", "Flag_Metals", "Flag_Feedback",
                             "Flag_DoublePrecision", "Flag_Entropy_ICs"})
        f.write_attribute(g, "Header", name, H5T_STD_I32LE, H5T_NATIVE_INT32, &flag, 0);
}

constexpr const char* units_group = "Units";
constexpr const char* unit_names[] = {"Unit length in cgs (U_L)", "Unit mass in cgs (U_M)", "Unit time in cgs (U_t)",
                                      "Unit current in cgs (U_I)", "Unit temperature in cgs (U_T)"};

void write_units(const h5::File& f, const SwiftUnits& u) {
    h5::Handle units = f.create_group(units_group);
    const double values[] = {u.length_cgs, u.mass_cgs, u.time_cgs, u.current_cgs, u.temperature_cgs};
    for (std::size_t k = 0; k < std::size(values); ++k)
        f.write_attribute(units.get(), units_group, unit_names[k], H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, &values[k], 0);
}

// The model's units from a `Units` group: none when a unit of length, mass or time is
// missing or not a positive finite number.
std::optional<ModelUnits> read_units(const h5::File& f) {
    if (!f.has(units_group)) return std::nullopt;
    h5::Handle units = f.open_group(units_group);
    double v[3] = {};
    for (int k = 0; k < 3; ++k) {
        if (!f.has_attribute(units.get(), unit_names[k])) return std::nullopt;
        f.read_attribute(units.get(), units_group, unit_names[k], H5T_NATIVE_DOUBLE, &v[k], 1);
        if (!(v[k] > 0.0) || !std::isfinite(v[k])) return std::nullopt;
    }
    return model_units(SwiftUnits{v[0], v[1], v[2]});
}

// The gas fields' datasets of PartType0.
struct GasDataset {
    const char* leaf;
    std::vector<float> ParticleSet::*field;
};
constexpr GasDataset gas_datasets[] = {{"InternalEnergy", &ParticleSet::internal_energy},
                                       {"Density", &ParticleSet::density},
                                       {"SmoothingLength", &ParticleSet::smoothing_length}};

// The type code of each type's particles, no_code when a type holds several codes.
std::array<std::int32_t, particle_types> codes_per_type(const ParticleSet& set, const TypeOrder& o) {
    std::array<std::int32_t, particle_types> codes;
    codes.fill(no_code);
    std::array<bool, particle_types> seen{}, mixed{};
    for (std::size_t i = 0; i < set.size(); ++i) {
        const std::uint8_t t = o.type[i];
        if (!seen[t]) {
            seen[t] = true;
            codes[t] = set.type[i];
        } else if (codes[t] != set.type[i]) {
            mixed[t] = true;
        }
    }
    for (int t = 0; t < particle_types; ++t)
        if (mixed[t]) codes[t] = no_code;
    return codes;
}

void write_toolkit_group(const h5::File& f, const ParticleSet& set, const std::array<std::int32_t, particle_types>& codes) {
    h5::Handle tk = f.create_group(toolkit_group);
    const hid_t g = tk.get();
    f.write_attribute(g, toolkit_group, "TypeCodes", H5T_STD_I32LE, H5T_NATIVE_INT32, codes.data(), particle_types);
    if (set.analytic_halo.kind != AnalyticHaloNote::none) {
        const AnalyticHaloNote& h = set.analytic_halo;
        const double note[analytic_halo_values] = {static_cast<double>(h.kind), h.mass, h.length, h.concentration, h.G};
        f.write_attribute(g, toolkit_group, analytic_halo_attribute, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, note,
                          analytic_halo_values);
    }
    if (!set.ncomp) return;
    const std::int32_t ncomp = *set.ncomp, eight = set.per_particle_mass ? 1 : 0;
    f.write_attribute(g, toolkit_group, "NComp", H5T_STD_I32LE, H5T_NATIVE_INT32, &ncomp, 0);
    f.write_attribute(g, toolkit_group, "PerParticleMass", H5T_STD_I32LE, H5T_NATIVE_INT32, &eight, 0);
    // Empty lists are left out (an attribute cannot have zero elements).
    if (!set.softening.empty())
        f.write_attribute(g, toolkit_group, "Softening", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, set.softening.data(),
                          set.softening.size());
    if (!set.type_mass.empty())
        f.write_attribute(g, toolkit_group, "TypeMass", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, set.type_mass.data(),
                          set.type_mass.size());
}

// The note is a hint only: one that is not five finite values of a known kind, with
// positive parameters, is left out.
void read_analytic_halo(const h5::File& f, hid_t g, AnalyticHaloNote& note) {
    if (!f.has_attribute(g, analytic_halo_attribute)) return;
    if (f.attribute_size(g, toolkit_group, analytic_halo_attribute) != analytic_halo_values) return;
    double v[analytic_halo_values] = {};
    f.read_attribute(g, toolkit_group, analytic_halo_attribute, H5T_NATIVE_DOUBLE, v, analytic_halo_values);
    const bool hernquist = v[0] == 1.0, nfw = v[0] == 2.0;
    for (double x : v)
        if (!std::isfinite(x)) return;
    if (!(hernquist || nfw) || !(v[1] > 0.0 && v[2] > 0.0 && v[4] > 0.0) || (nfw && !(v[3] > 0.0))) return;
    note.kind = hernquist ? AnalyticHaloNote::hernquist : AnalyticHaloNote::nfw;
    note.mass = v[1];
    note.length = v[2];
    note.concentration = nfw ? v[3] : 0.0;
    note.G = v[4];
}

// Writes rows [first, first + count) of the file order, gathered through a buffer.
template <class T, class Get>
void write_gathered(const h5::File& f, hid_t d, const std::string& path, hid_t memory_type, std::uint64_t first,
                    std::uint64_t count, std::uint64_t cols, Get get) {
    constexpr std::size_t chunk = 1 << 16;
    std::unique_ptr<T[]> buffer(new T[chunk]);
    for (std::uint64_t k = 0; k < count;) {
        const std::size_t m = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, count - k));
        for (std::size_t j = 0; j < m; ++j) buffer[j] = get(first + k + j);
        f.write_rows(d, path, memory_type, k, m, cols, buffer.get());
        k += m;
    }
}

}  // namespace

void write_hdf5_snapshot(OutputFile& out, const ParticleSet& set, const WriteOptions& options) {
    const TypeOrder o = order_by_type(set, options.type_map, out.target().string());
    out.close_descriptor();
    h5::File f = h5::File::create(out.temporary().string(), out.target().string());
    write_header(f, set, o, options);
    if (options.units) {
        write_units(f, *options.units);
    } else if (set.units) {
        write_units(f, swift_units(*set.units));
    }
    const auto codes = codes_per_type(set, o);
    write_toolkit_group(f, set, codes);

    const float shift = position_shift(options);
    const bool wide = needs_64bit_ids(set);
    std::uint64_t first = 0;
    for (int t = 0; t < particle_types; ++t) {
        const std::uint64_t n = o.count[t];
        if (n == 0) continue;
        const std::string name = type_group(t);
        h5::Handle group = f.create_group(name);
        const hid_t g = group.get();
        const bool contiguous = o.order.empty();

        // One dataset of the type's rows: straight from the set's array when the
        // particles are in file order and need no shift, else gathered.
        auto column = [&](const char* leaf, hid_t file_type, hid_t memory_type, std::uint64_t cols, const auto* data,
                          bool direct, auto get) {
            using T = std::remove_cv_t<std::remove_pointer_t<decltype(data)>>;
            const std::string path = name + "/" + leaf;
            h5::Handle d = f.create_dataset(g, path, file_type, n, cols);
            if (direct && contiguous) {
                f.write_rows(d.get(), path, memory_type, 0, n, cols, data + first);
            } else {
                write_gathered<T>(f, d.get(), path, memory_type, first, n, cols, get);
            }
        };
        column("Coordinates", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, 3, set.pos.data(), shift == 0.0f, [&](std::size_t k) {
            Vec3 p = set.pos[o.at(k)];
            if (shift != 0.0f) p = {p.x + shift, p.y + shift, p.z + shift};
            return p;
        });
        column("Velocities", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, 3, set.vel.data(), true,
               [&](std::size_t k) { return set.vel[o.at(k)]; });
        if (wide) {
            column("ParticleIDs", H5T_STD_U64LE, H5T_NATIVE_UINT64, 0, static_cast<const std::uint64_t*>(nullptr),
                   false, [&](std::size_t k) { return id_at(set, o, k); });
        } else {
            column("ParticleIDs", H5T_STD_U32LE, H5T_NATIVE_UINT32, 0, static_cast<const std::uint32_t*>(nullptr),
                   false, [&](std::size_t k) { return static_cast<std::uint32_t>(id_at(set, o, k)); });
        }
        column("Masses", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, 0, set.mass.data(), true,
               [&](std::size_t k) { return set.mass[o.at(k)]; });
        if (t == 0 && set.has_gas_fields()) {
            for (const GasDataset& gas : gas_datasets) {
                const std::vector<float>& field = set.*gas.field;
                column(gas.leaf, H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, 0, field.data(), true,
                       [&](std::size_t k) { return field[o.at(k)]; });
            }
        }
        if (codes[t] == no_code) {
            // Several codes share this type: each particle keeps its own.
            column(per_particle_codes, H5T_STD_I32LE, H5T_NATIVE_INT32, 0, set.type.data(), true,
                   [&](std::size_t k) { return set.type[o.at(k)]; });
        }
        first += n;
    }
    f.close();
}

namespace {

// A file opened for reading with everything but the particle data looked at: the header,
// the Toolkit group, and every dataset the read needs opened and checked.
struct OpenedSnapshot {
    struct TypeData {
        h5::Handle c, v, id, m, code;
    };
    h5::File f;
    ParticleSet set;  // the header's fields; no particles yet
    std::array<std::int64_t, particle_types> count{};
    std::array<double, particle_types> table{};
    std::array<std::int32_t, particle_types> codes{};
    std::array<TypeData, particle_types> data;
    // PartType0's gas fields, those the file has.
    std::array<h5::Handle, std::size(gas_datasets)> gas;
    bool any_gas = false;
    std::uint64_t n = 0;
};

OpenedSnapshot open_snapshot(const std::filesystem::path& path) {
    OpenedSnapshot s{h5::File::open(path.string(), path.string())};
    const h5::File& f = s.f;
    ParticleSet& set = s.set;
    auto& count = s.count;
    auto& table = s.table;
    auto& codes = s.codes;
    auto& data = s.data;
    auto& gas = s.gas;
    std::uint64_t& n = s.n;
    h5::Handle header = f.open_group("Header");
    const hid_t h = header.get();
    if (!f.has_attribute(h, "NumPart_ThisFile") && f.has_attribute(h, "NumPart_Total")) {
        // SWIFT's initial conditions need only the totals (of a single file).
        std::array<std::uint64_t, particle_types> low{}, high{};
        f.read_attribute(h, "Header", "NumPart_Total", H5T_NATIVE_UINT64, low.data(), particle_types);
        if (f.has_attribute(h, "NumPart_Total_HighWord"))
            f.read_attribute(h, "Header", "NumPart_Total_HighWord", H5T_NATIVE_UINT64, high.data(), particle_types);
        for (int t = 0; t < particle_types; ++t) {
            const std::uint64_t total = (high[t] << 32) + low[t];
            count[t] = total > static_cast<std::uint64_t>(INT64_MAX) ? -1 : static_cast<std::int64_t>(total);
        }
    } else {
        f.read_attribute(h, "Header", "NumPart_ThisFile", H5T_NATIVE_INT64, count.data(), particle_types);
    }
    for (int t = 0; t < particle_types; ++t) {
        if (count[t] < 0 || count[t] > INT32_MAX * std::int64_t{4})
            f.fail("attribute Header/NumPart_ThisFile", "entry " + std::to_string(t) + " = " +
                                                            std::to_string(count[t]) + " is not a particle count");
        n += static_cast<std::uint64_t>(count[t]);
    }
    if (f.has_attribute(h, "Time")) f.read_attribute(h, "Header", "Time", H5T_NATIVE_DOUBLE, &set.time, 1);
    if (f.has_attribute(h, "NumFilesPerSnapshot")) {
        std::int64_t files = 1;
        f.read_attribute(h, "Header", "NumFilesPerSnapshot", H5T_NATIVE_INT64, &files, 1);
        if (files > 1)
            f.fail("attribute Header/NumFilesPerSnapshot", std::to_string(files) +
                                                               ": one file of a snapshot split over several; only "
                                                               "single-file snapshots are read");
    }
    if (f.has_attribute(h, "BoxSize")) {
        // A scalar, or SWIFT's three side lengths (the first is kept).
        const std::size_t k = f.attribute_size(h, "Header", "BoxSize");
        if (k == 1 || k == 3) {
            double box[3] = {};
            f.read_attribute(h, "Header", "BoxSize", H5T_NATIVE_DOUBLE, box, k);
            set.box_size = box[0];
        }
    }
    const bool has_table = f.has_attribute(h, "MassTable");
    if (has_table) f.read_attribute(h, "Header", "MassTable", H5T_NATIVE_DOUBLE, table.data(), particle_types);

    for (int t = 0; t < particle_types; ++t) codes[t] = t;
    if (f.has(toolkit_group)) {
        h5::Handle tk = f.open_group(toolkit_group);
        const hid_t g = tk.get();
        f.read_attribute(g, toolkit_group, "TypeCodes", H5T_NATIVE_INT32, codes.data(), particle_types);
        read_analytic_halo(f, g, set.analytic_halo);
        if (f.has_attribute(g, "NComp")) {
            std::int32_t ncomp = 0, eight = 0;
            f.read_attribute(g, toolkit_group, "NComp", H5T_NATIVE_INT32, &ncomp, 1);
            f.read_attribute(g, toolkit_group, "PerParticleMass", H5T_NATIVE_INT32, &eight, 1);
            set.ncomp = ncomp;
            set.per_particle_mass = eight != 0;
            for (auto [name, list] : {std::pair{"Softening", &set.softening}, std::pair{"TypeMass", &set.type_mass}}) {
                if (!f.has_attribute(g, name)) continue;
                const std::size_t k = f.attribute_size(g, toolkit_group, name);
                if (k > 4096) f.fail(std::string("attribute Toolkit/") + name, "more than 4096 entries");
                list->resize(k);
                f.read_attribute(g, toolkit_group, name, H5T_NATIVE_FLOAT, list->data(), k);
            }
        }
    }

    // Shapes and stored sizes are checked before anything is allocated.
    for (int t = 0; t < particle_types; ++t) {
        const auto k = static_cast<std::uint64_t>(count[t]);
        if (k == 0) continue;
        const std::string name = type_group(t);
        f.open_group(name);
        data[t].c = f.open_dataset(name + "/Coordinates", k, 3);
        data[t].v = f.open_dataset(name + "/Velocities", k, 3);
        data[t].id = f.open_dataset(name + "/ParticleIDs", k, 0);
        if (f.has(name + "/Masses")) {
            data[t].m = f.open_dataset(name + "/Masses", k, 0);
        } else if (!has_table || table[t] == 0.0) {
            f.fail("dataset " + name + "/Masses", "missing, and Header/MassTable gives no mass for type " +
                                                      std::to_string(t));
        }
        if (codes[t] == no_code) data[t].code = f.open_dataset(name + "/" + per_particle_codes, k, 0);
        if (t == 0) {
            for (std::size_t j = 0; j < gas.size(); ++j) {
                const std::string leaf = name + "/" + gas_datasets[j].leaf;
                if (!f.has(leaf)) continue;
                gas[j] = f.open_dataset(leaf, k, 0);
                s.any_gas = true;
            }
        }
    }
    set.units = read_units(f);
    return s;
}

}  // namespace

ParticleSet read_hdf5_snapshot(const std::filesystem::path& path) {
    h5::walk_metadata_guarded(path.string(), [&] { (void)open_snapshot(path); });
    OpenedSnapshot s = open_snapshot(path);
    const h5::File& f = s.f;
    ParticleSet set = std::move(s.set);
    const auto& count = s.count;
    const auto& table = s.table;
    const auto& codes = s.codes;
    const std::uint64_t n = s.n;
    auto& data = s.data;
    set.resize(n);
    set.id.resize(n);
    if (s.any_gas) set.add_gas_fields();
    for (std::size_t j = 0; j < s.gas.size(); ++j) {
        // PartType0 is the first group: its rows start at 0.
        if (s.gas[j])
            f.read_all(s.gas[j].get(), std::string("PartType0/") + gas_datasets[j].leaf, H5T_NATIVE_FLOAT,
                       (set.*gas_datasets[j].field).data());
    }
    std::uint64_t first = 0;
    for (int t = 0; t < particle_types; ++t) {
        const auto k = static_cast<std::uint64_t>(count[t]);
        if (k == 0) continue;
        const std::string name = type_group(t);
        f.read_all(data[t].c.get(), name + "/Coordinates", H5T_NATIVE_FLOAT, set.pos.data() + first);
        f.read_all(data[t].v.get(), name + "/Velocities", H5T_NATIVE_FLOAT, set.vel.data() + first);
        f.read_all(data[t].id.get(), name + "/ParticleIDs", H5T_NATIVE_UINT64, set.id.data() + first);
        if (data[t].m) {
            f.read_all(data[t].m.get(), name + "/Masses", H5T_NATIVE_FLOAT, set.mass.data() + first);
        } else {
            std::fill_n(set.mass.begin() + static_cast<std::ptrdiff_t>(first), k, static_cast<float>(table[t]));
        }
        if (data[t].code) {
            f.read_all(data[t].code.get(), name + "/" + per_particle_codes, H5T_NATIVE_INT32, set.type.data() + first);
        } else {
            std::fill_n(set.type.begin() + static_cast<std::ptrdiff_t>(first), k, codes[t]);
        }
        first += k;
    }
    restore_id_order(set);
    return set;
}

}  // namespace galtk
