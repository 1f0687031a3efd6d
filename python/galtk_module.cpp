// The Python module galtk._galtk: the formats library's readers and writers for numpy.
//
// read() hands back the particle set as numpy arrays that share the buffers the reader
// filled (no copy): the set is moved to the heap and owned by a capsule that every array
// keeps as its base, so it lives as long as any array of it does. write() copies the
// arrays into a ParticleSet (the writers need the library's layout) and writes it through
// the library's output file, with the same checks as snapconv.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "snapshot_io.hpp"

namespace py = pybind11;

namespace {

using galtk::ParticleSet;

// An array of `count` rows of `cols` values (cols 0: one dimension) inside `owner`'s set.
template <class T>
py::array_t<T> view(const T* data, std::size_t count, std::size_t cols, const py::capsule& owner) {
    if (cols == 0) return py::array_t<T>({count}, {sizeof(T)}, data, owner);
    return py::array_t<T>({count, cols}, {cols * sizeof(T), sizeof(T)}, data, owner);
}

galtk::SnapshotFormat format_named(const std::string& name) {
    const auto f = galtk::parse_format_name(name);
    if (!f) throw py::value_error("format \"" + name + "\": expected one of text, positions, gadget1, gadget2, hdf5, tipsy");
    return *f;
}

// "galactic" or "UL,UM,Ut[,UI,UT]" in cgs, as snapconv's --units takes them.
galtk::SwiftUnits units_named(const std::string& text) {
    const auto u = galtk::parse_swift_units(text);
    if (!u) throw py::value_error("units " + text + ": expected \"galactic\" or UL,UM,Ut[,UI,UT] in cgs, each above 0");
    return *u;
}

// The header's record of the model's units (cgs of one length, mass and velocity unit).
py::object units_record(const std::optional<galtk::ModelUnits>& u) {
    if (!u) return py::none();
    py::dict d;
    d["length_cgs"] = u->length_cgs;
    d["mass_cgs"] = u->mass_cgs;
    d["velocity_cgs"] = u->velocity_cgs;
    return d;
}

// The analytic halo a model's velocities assume (galvel --halo without its particles).
py::object halo_record(const galtk::AnalyticHaloNote& note) {
    if (note.kind == galtk::AnalyticHaloNote::none) return py::none();
    py::dict d;
    d["kind"] = note.kind == galtk::AnalyticHaloNote::hernquist ? "hernquist" : "nfw";
    d["mass"] = note.mass;
    d["length"] = note.length;
    d["concentration"] = note.concentration;
    d["G"] = note.G;
    return d;
}

galtk::AnalyticHaloNote halo_note(const py::dict& d) {
    galtk::AnalyticHaloNote note;
    const auto kind = d["kind"].cast<std::string>();
    if (kind != "hernquist" && kind != "nfw")
        throw py::value_error("analytic_halo kind \"" + kind + "\": expected hernquist or nfw");
    note.kind = kind == "hernquist" ? galtk::AnalyticHaloNote::hernquist : galtk::AnalyticHaloNote::nfw;
    note.mass = d["mass"].cast<double>();
    note.length = d["length"].cast<double>();
    note.concentration = d.contains("concentration") ? d["concentration"].cast<double>() : 0.0;
    note.G = d.contains("G") ? d["G"].cast<double>() : 1.0;
    return note;
}

py::dict read_model(const std::string& path, std::optional<std::string> format, float position_mass, bool allow_nonfinite,
                    std::optional<std::string> units) {
    galtk::ReadOptions options;
    if (format) options.format = format_named(*format);
    if (units) options.units = galtk::model_units(units_named(*units));
    options.position_mass = position_mass;
    options.allow_nonfinite = allow_nonfinite;
    const galtk::SnapshotFormat detected = options.format ? *options.format : galtk::detect_format(path);
    auto* set = new ParticleSet;
    try {
        py::gil_scoped_release unlocked;
        *set = galtk::read_snapshot(path, options);
    } catch (...) {
        delete set;
        throw;
    }
    py::capsule owner(set, [](void* p) { delete static_cast<ParticleSet*>(p); });
    const std::size_t n = set->size();
    py::dict out;
    out["pos"] = view(&set->pos.data()->x, n, 3, owner);
    out["vel"] = view(&set->vel.data()->x, n, 3, owner);
    out["mass"] = view(set->mass.data(), n, 0, owner);
    out["type"] = view(set->type.data(), n, 0, owner);
    if (set->id.empty()) {
        py::array_t<std::uint64_t> ids(n);
        auto* p = ids.mutable_data();
        for (std::size_t i = 0; i < n; ++i) p[i] = i + 1;
        out["id"] = ids;
    } else {
        out["id"] = view(set->id.data(), n, 0, owner);
    }
    // Gas fields only where the file has them: None otherwise (a model without gas costs
    // nothing, and writing it back gives a file without gas blocks again).
    const bool gas = set->has_gas_fields();
    out["internal_energy"] = gas ? py::object(view(set->internal_energy.data(), n, 0, owner)) : py::object(py::none());
    out["density"] = gas ? py::object(view(set->density.data(), n, 0, owner)) : py::object(py::none());
    out["smoothing_length"] = gas ? py::object(view(set->smoothing_length.data(), n, 0, owner)) : py::object(py::none());
    py::dict header;
    header["format"] = galtk::format_name(detected);
    header["time"] = set->time;
    header["softening"] = set->softening;
    header["type_mass"] = set->type_mass;
    header["per_particle_mass"] = set->per_particle_mass;
    header["ncomp"] = set->ncomp ? py::object(py::int_(*set->ncomp)) : py::object(py::none());
    header["box_size"] = set->box_size;
    header["ids_given"] = !set->id.empty();
    header["units"] = units_record(set->units);
    header["analytic_halo"] = halo_record(set->analytic_halo);
    out["header"] = header;
    return out;
}

// A C-contiguous array of the wanted type and shape (a copy only where the caller's is not).
template <class T>
py::array_t<T, py::array::c_style | py::array::forcecast> column(const py::object& value, const char* name,
                                                                 std::size_t n, std::size_t cols) {
    auto a = py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(value);
    if (!a) throw py::value_error(std::string(name) + ": expected an array of numbers");
    const bool ok = cols == 0 ? (a.ndim() == 1 && static_cast<std::size_t>(a.shape(0)) == n)
                              : (a.ndim() == 2 && static_cast<std::size_t>(a.shape(0)) == n &&
                                 static_cast<std::size_t>(a.shape(1)) == cols);
    if (!ok) {
        std::string shape;
        for (py::ssize_t d = 0; d < a.ndim(); ++d) shape += (d ? ", " : "") + std::to_string(a.shape(d));
        throw py::value_error(std::string(name) + ": expected shape (" + std::to_string(n) +
                              (cols ? ", " + std::to_string(cols) : std::string(",")) + "), found (" + shape + ")");
    }
    return a;
}

// A gas field: one dimension of any length (the library checks that the three fields
// are all as long as the model, or all absent); none leaves it empty.
std::vector<float> gas_field(const py::object& value, const char* name) {
    if (value.is_none()) return {};
    auto a = py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(value);
    if (!a || a.ndim() != 1) throw py::value_error(std::string(name) + ": expected a one-dimensional array of numbers");
    return std::vector<float>(a.data(), a.data() + a.shape(0));
}

// n rows of the set's layout from a numpy buffer of the same layout (none when n is 0).
template <class To, class From>
void copy_rows(To* to, const From* from, std::size_t n) {
    static_assert(sizeof(To) % sizeof(From) == 0);
    if (n > 0) std::memcpy(static_cast<void*>(to), from, n * sizeof(To));
}

void write_model(const std::string& path, const py::object& pos, const py::object& vel, const py::object& mass,
           const py::object& type, const py::object& id, const std::string& format, double time,
           std::optional<std::vector<float>> softening, std::optional<std::vector<float>> type_mass,
           std::optional<int> ncomp, bool per_particle_mass, double box, std::optional<std::string> type_map,
           std::optional<std::string> units, bool tipsy_stars, bool allow_nonfinite, const py::object& internal_energy,
           const py::object& density, const py::object& smoothing_length, std::optional<py::dict> model_units,
           std::optional<py::dict> analytic_halo) {
    const galtk::SnapshotFormat to = format_named(format);
    if (to == galtk::SnapshotFormat::positions) throw py::value_error("format \"positions\" is read only");
    auto p = py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(pos);
    if (!p || p.ndim() != 2 || p.shape(1) != 3) throw py::value_error("pos: expected an array of shape (N, 3)");
    const auto n = static_cast<std::size_t>(p.shape(0));

    ParticleSet set;
    set.resize(n);
    copy_rows(set.pos.data(), p.data(), n);
    if (!vel.is_none()) copy_rows(set.vel.data(), column<float>(vel, "vel", n, 3).data(), n);
    if (!mass.is_none()) copy_rows(set.mass.data(), column<float>(mass, "mass", n, 0).data(), n);
    if (type.is_none()) {
        std::fill(set.type.begin(), set.type.end(), 1);
    } else {
        copy_rows(set.type.data(), column<std::int32_t>(type, "type", n, 0).data(), n);
    }
    if (!id.is_none()) {
        set.id.resize(n);
        copy_rows(set.id.data(), column<std::uint64_t>(id, "id", n, 0).data(), n);
    }
    set.time = time;
    if (softening) set.softening = *softening;
    if (type_mass) set.type_mass = *type_mass;
    if (ncomp) set.ncomp = *ncomp;
    set.per_particle_mass = per_particle_mass;
    set.internal_energy = gas_field(internal_energy, "internal_energy");
    set.density = gas_field(density, "density");
    set.smoothing_length = gas_field(smoothing_length, "smoothing_length");
    if (model_units)
        set.units = galtk::ModelUnits{(*model_units)["length_cgs"].cast<double>(), (*model_units)["mass_cgs"].cast<double>(),
                                      (*model_units)["velocity_cgs"].cast<double>()};
    if (analytic_halo) set.analytic_halo = halo_note(*analytic_halo);

    galtk::WriteOptions options;
    options.box = box;
    options.tipsy_stars = tipsy_stars;
    options.allow_nonfinite = allow_nonfinite;
    if (!(box >= 0.0) || !std::isfinite(box)) throw py::value_error("box: expected a finite length, 0 or more");
    if (type_map) {
        std::string error;
        auto map = galtk::parse_type_map(*type_map, error);
        if (!map) throw py::value_error("type_map " + *type_map + ": " + error);
        options.type_map = *map;
    }
    if (units) {
        options.units = units_named(*units);
        if (to != galtk::SnapshotFormat::hdf5 && to != galtk::SnapshotFormat::tipsy)
            throw py::value_error("units applies to HDF5 and tipsy output only");
    }
    std::string lost;
    {
        py::gil_scoped_release unlocked;
        lost = galtk::write_snapshot(path, set, to, options);
    }
    // Written, but the format cannot give back all of the text header: a UserWarning
    // with the writer's line, as the programs print it.
    if (!lost.empty() && PyErr_WarnEx(PyExc_UserWarning, lost.c_str(), 1) != 0) throw py::error_already_set();
}

}  // namespace

PYBIND11_MODULE(_galtk, m) {
    m.doc() = "Particle models of the galaxy toolkit: read and write every snapshot format of its formats library";
    // galtk.FormatError(ValueError): the library's one-line message, and `status` the exit
    // status a program would end with (1 a refused value, 2 an I/O or format failure).
    static py::handle error_type = py::exception<galtk::FormatError>(m, "FormatError", PyExc_ValueError).release();
    py::register_exception_translator([](std::exception_ptr e) {
        try {
            if (e) std::rethrow_exception(e);
        } catch (const galtk::FormatError& error) {
            auto instance = py::reinterpret_steal<py::object>(PyObject_CallFunction(error_type.ptr(), "s", error.what()));
            if (!instance) return;  // the call has set its own Python error
            PyObject_SetAttrString(instance.ptr(), "status", py::int_(error.status).ptr());
            PyErr_SetObject(error_type.ptr(), instance.ptr());
        }
    });
    m.def("read", &read_model, py::arg("path"), py::arg("format") = py::none(), py::arg("position_mass") = 0.0f,
          py::arg("allow_nonfinite") = false, py::arg("units") = py::none());
    m.def("write", &write_model, py::arg("path"), py::arg("pos"), py::arg("vel") = py::none(), py::arg("mass") = py::none(),
          py::arg("type") = py::none(), py::arg("id") = py::none(), py::arg("format") = "text", py::arg("time") = 0.0,
          py::arg("softening") = py::none(), py::arg("type_mass") = py::none(), py::arg("ncomp") = py::none(),
          py::arg("per_particle_mass") = false, py::arg("box") = 0.0, py::arg("type_map") = py::none(),
          py::arg("units") = py::none(), py::arg("tipsy_stars") = false, py::arg("allow_nonfinite") = false,
          py::arg("internal_energy") = py::none(), py::arg("density") = py::none(), py::arg("smoothing_length") = py::none(),
          py::arg("model_units") = py::none(), py::arg("analytic_halo") = py::none());
    m.def("detect_format", [](const std::string& path) { return std::string(galtk::format_name(galtk::detect_format(path))); },
          py::arg("path"));
}
