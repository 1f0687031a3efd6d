#include "hdf5_handles.hpp"

#include <sys/stat.h>

#include "snapshot_io.hpp"

namespace galtk::h5 {

namespace {

// HDF5 prints a stack of messages on every failure unless told not to; the library
// reports failures through FormatError instead.
void quiet() {
    static const bool done = [] {
        H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
        return true;
    }();
    (void)done;
}

std::string shape_text(const std::vector<hsize_t>& dims) {
    std::string s = "(";
    for (std::size_t i = 0; i < dims.size(); ++i) s += (i ? ", " : "") + std::to_string(dims[i]);
    return s + ")";
}

// Logical bytes a dataset may hold per byte stored: compression of particle data never
// comes near this, a header that claims a huge unwritten dataset goes far beyond it.
constexpr std::uint64_t stored_ratio_max = 1024;

}  // namespace

void File::fail(const std::string& object, const std::string& text) const {
    throw FormatError(2, "file \"" + name_ + "\": " + object + ": " + text);
}

File File::create(const std::string& path, const std::string& name) {
    quiet();
    // The 1.8 file format: superblock version 2 and object headers of version 2, every
    // piece of metadata under a checksum, so a damaged file of ours is refused by libhdf5
    // instead of being parsed; the upper bound keeps the files readable by HDF5 1.8,
    // which some builds of the simulation codes still link.
    Handle fapl(H5Pcreate(H5P_FILE_ACCESS), H5Pclose);
    if (!fapl || H5Pset_libver_bounds(fapl.get(), H5F_LIBVER_V18, H5F_LIBVER_V18) < 0)
        throw FormatError(2, "file \"" + name + "\": HDF5 cannot set the file format version");
    // The root group's header would carry the time of writing (see untimed_creation).
    Handle fcpl(H5Pcreate(H5P_FILE_CREATE), H5Pclose);
    if (!fcpl || H5Pset_obj_track_times(fcpl.get(), 0) < 0)
        throw FormatError(2, "file \"" + name + "\": HDF5 cannot set the file's creation properties");
    Handle f(H5Fcreate(path.c_str(), H5F_ACC_TRUNC, fcpl.get(), fapl.get()), H5Fclose);
    if (!f) throw FormatError(2, "file \"" + name + "\": HDF5 cannot create the file");
    return File(std::move(f), name);
}

File File::open(const std::string& path, const std::string& name) {
    quiet();
    Handle f(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose);
    if (!f) throw FormatError(2, "file \"" + name + "\": not a readable HDF5 file");
    return File(std::move(f), name);
}

void File::close() {
    if (!file_.close()) throw FormatError(2, "file \"" + name_ + "\": HDF5 could not write the file out");
}

// Creation properties without modification times: HDF5 stamps every object header with
// the time of writing by default, so the same model written twice would differ in bytes.
static Handle untimed_creation(hid_t property_class) {
    Handle p(H5Pcreate(property_class), H5Pclose);
    if (p) H5Pset_obj_track_times(p.get(), 0);
    return p;
}

Handle File::create_group(const std::string& path) const {
    const Handle gcpl = untimed_creation(H5P_GROUP_CREATE);
    Handle g(H5Gcreate2(id(), path.c_str(), H5P_DEFAULT, gcpl ? gcpl.get() : H5P_DEFAULT, H5P_DEFAULT), H5Gclose);
    if (!g) fail("group " + path, "cannot be created");
    return g;
}

bool File::has(const std::string& path) const { return H5Lexists(id(), path.c_str(), H5P_DEFAULT) > 0; }

Handle File::open_group(const std::string& path) const {
    if (!has(path)) fail("group " + path, "missing");
    Handle g(H5Gopen2(id(), path.c_str(), H5P_DEFAULT), H5Gclose);
    if (!g) fail("group " + path, "is not a group");
    return g;
}

void File::write_attribute(hid_t owner, const std::string& owner_name, const std::string& name, hid_t file_type,
                           hid_t memory_type, const void* data, std::size_t count) const {
    const hsize_t dims[1] = {count};
    Handle space(count == 0 ? H5Screate(H5S_SCALAR) : H5Screate_simple(1, dims, nullptr), H5Sclose);
    Handle attr(H5Acreate2(owner, name.c_str(), file_type, space.get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
    if (!space || !attr || H5Awrite(attr.get(), memory_type, data) < 0)
        fail("attribute " + owner_name + "/" + name, "cannot be written");
}

bool File::has_attribute(hid_t owner, const std::string& name) const {
    return H5Aexists(owner, name.c_str()) > 0;
}

std::size_t File::attribute_size(hid_t owner, const std::string& owner_name, const std::string& name) const {
    const std::string object = "attribute " + owner_name + "/" + name;
    if (!has_attribute(owner, name)) fail(object, "missing");
    Handle attr(H5Aopen(owner, name.c_str(), H5P_DEFAULT), H5Aclose);
    Handle space(attr ? H5Aget_space(attr.get()) : H5I_INVALID_HID, H5Sclose);
    if (!space) fail(object, "cannot be opened");
    const hssize_t n = H5Sget_simple_extent_npoints(space.get());
    if (n < 0) fail(object, "has no readable shape");
    return static_cast<std::size_t>(n);
}

void File::read_attribute(hid_t owner, const std::string& owner_name, const std::string& name, hid_t memory_type,
                          void* data, std::size_t count) const {
    const std::string object = "attribute " + owner_name + "/" + name;
    const std::size_t n = attribute_size(owner, owner_name, name);
    if (n != count) fail(object, std::to_string(n) + " values, expected " + std::to_string(count));
    Handle attr(H5Aopen(owner, name.c_str(), H5P_DEFAULT), H5Aclose);
    if (!attr || H5Aread(attr.get(), memory_type, data) < 0) fail(object, "cannot be read as a number");
}

Handle File::create_dataset(hid_t group, const std::string& path, hid_t file_type, std::uint64_t rows,
                            std::uint64_t cols) const {
    const hsize_t dims[2] = {rows, cols};
    Handle space(H5Screate_simple(cols == 0 ? 1 : 2, dims, nullptr), H5Sclose);
    const std::string leaf = path.substr(path.rfind('/') + 1);
    const Handle dcpl = untimed_creation(H5P_DATASET_CREATE);
    Handle d(space ? H5Dcreate2(group, leaf.c_str(), file_type, space.get(), H5P_DEFAULT, dcpl ? dcpl.get() : H5P_DEFAULT, H5P_DEFAULT)
                   : H5I_INVALID_HID,
             H5Dclose);
    if (!d) fail("dataset " + path, "cannot be created");
    return d;
}

void File::write_rows(hid_t dataset, const std::string& path, hid_t memory_type, std::uint64_t first,
                      std::uint64_t rows, std::uint64_t cols, const void* data) const {
    if (rows == 0) return;
    const int rank = cols == 0 ? 1 : 2;
    const hsize_t start[2] = {first, 0}, count[2] = {rows, cols};
    Handle file_space(H5Dget_space(dataset), H5Sclose);
    Handle memory_space(H5Screate_simple(rank, count, nullptr), H5Sclose);
    if (!file_space || !memory_space ||
        H5Sselect_hyperslab(file_space.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) < 0 ||
        H5Dwrite(dataset, memory_type, memory_space.get(), file_space.get(), H5P_DEFAULT, data) < 0)
        fail("dataset " + path, "write failed (a full disk?)");
}

// Nothing is allocated for data the file does not hold. Contiguous data take their full
// size on the disk, so a dataset stored far smaller than its values is a header that
// claims data never written. A chunked dataset may legitimately be tiny when compressed
// (constant masses or zero velocities go beyond 1000:1): there, what means damage is a
// chunk that was never written, so every chunk the shape needs must be in the file. The
// count walks the whole chunk index, which the guarded metadata walk thereby checks too.
void File::check_stored(hid_t dataset, hid_t space, const std::string& object, std::uint64_t values) const {
    Handle type(H5Dget_type(dataset), H5Tclose);
    const std::uint64_t logical = values * (type ? H5Tget_size(type.get()) : 0);
    if (logical == 0) return;
    const std::uint64_t stored = H5Dget_storage_size(dataset);
    Handle dcpl(H5Dget_create_plist(dataset), H5Pclose);
    if (!dcpl || H5Pget_layout(dcpl.get()) != H5D_CHUNKED) {
        if (stored == 0 || logical / stored > stored_ratio_max)
            fail(object, "holds " + std::to_string(stored) + " bytes in the file for " + std::to_string(logical) +
                             " bytes of values");
        return;
    }
    const int rank = H5Sget_simple_extent_ndims(space);
    std::vector<hsize_t> dims(static_cast<std::size_t>(std::max(rank, 0))), chunk(dims.size());
    if (rank < 1 || H5Sget_simple_extent_dims(space, dims.data(), nullptr) < 0 ||
        H5Pget_chunk(dcpl.get(), rank, chunk.data()) != rank)
        fail(object, "has an unreadable chunk layout");
    std::uint64_t needed = 1;
    for (std::size_t k = 0; k < dims.size(); ++k) {
        if (chunk[k] == 0) fail(object, "has a chunk of size 0");
        needed *= (dims[k] + chunk[k] - 1) / chunk[k];
    }
    hsize_t written = 0;
    if (H5Dget_num_chunks(dataset, space, &written) < 0) fail(object, "has an unreadable chunk index");
    if (written < needed)
        fail(object, "chunked, with " + std::to_string(written) + " of its " + std::to_string(needed) +
                         " chunks in the file: data were never written");
}

Handle File::open_dataset(const std::string& path, std::uint64_t rows, std::uint64_t cols) const {
    const std::string object = "dataset " + path;
    if (!has(path)) fail(object, "missing");
    Handle d(H5Dopen2(id(), path.c_str(), H5P_DEFAULT), H5Dclose);
    if (!d) fail(object, "is not a dataset");
    Handle space(H5Dget_space(d.get()), H5Sclose);
    const int rank = space ? H5Sget_simple_extent_ndims(space.get()) : -1;
    if (rank < 1 || rank > 2) fail(object, "has no one- or two-dimensional shape");
    std::vector<hsize_t> dims(static_cast<std::size_t>(rank));
    H5Sget_simple_extent_dims(space.get(), dims.data(), nullptr);
    const std::vector<hsize_t> expected = cols == 0 ? std::vector<hsize_t>{rows} : std::vector<hsize_t>{rows, cols};
    if (dims != expected) {
        fail(object, "shape " + shape_text(dims) + ", expected " + shape_text(expected) +
                         " for the particle count of Header/NumPart_ThisFile");
    }
    check_stored(d.get(), space.get(), object, rows * (cols == 0 ? 1 : cols));
    return d;
}

void File::read_all(hid_t dataset, const std::string& path, hid_t memory_type, void* data) const {
    if (H5Dread(dataset, memory_type, H5S_ALL, H5S_ALL, H5P_DEFAULT, data) < 0)
        fail("dataset " + path, "cannot be read as numbers");
}

}  // namespace galtk::h5
