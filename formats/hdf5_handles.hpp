// A small RAII layer over the HDF5 C API: every identifier closed by its owner, every
// failure a FormatError naming the file and the object, HDF5's own error printing off.
#pragma once

#include <hdf5.h>

#include <cstdint>
#include <string>
#include <vector>

namespace galtk::h5 {

// One HDF5 identifier and the function that closes it.
class Handle {
public:
    Handle() = default;
    Handle(hid_t id, herr_t (*closer)(hid_t)) : id_(id), close_(closer) {}
    ~Handle() { reset(); }
    Handle(Handle&& o) noexcept : id_(o.id_), close_(o.close_) { o.id_ = H5I_INVALID_HID; }
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) {
            reset();
            id_ = o.id_;
            close_ = o.close_;
            o.id_ = H5I_INVALID_HID;
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    hid_t get() const { return id_; }
    explicit operator bool() const { return id_ >= 0; }
    // Closes now; false when HDF5 reports a failure (a write that did not reach the file).
    bool close() {
        const bool ok = id_ < 0 || close_(id_) >= 0;
        id_ = H5I_INVALID_HID;
        return ok;
    }

private:
    void reset() {
        if (id_ >= 0) close_(id_);
        id_ = H5I_INVALID_HID;
    }
    hid_t id_ = H5I_INVALID_HID;
    herr_t (*close_)(hid_t) = nullptr;
};

// A file opened for the whole of one read or write, and the operations on it that the
// snapshot formats need. `name` is the file name shown in diagnostics.
class File {
public:
    static File create(const std::string& path, const std::string& name);
    static File open(const std::string& path, const std::string& name);

    hid_t id() const { return file_.get(); }
    const std::string& name() const { return name_; }
    void close();  // a failure to write the file out is a FormatError

    [[noreturn]] void fail(const std::string& object, const std::string& text) const;

    Handle create_group(const std::string& path) const;
    bool has(const std::string& path) const;  // a group, dataset or attribute owner exists
    Handle open_group(const std::string& path) const;  // FormatError when missing

    // Attributes of scalar (count 0) or one-dimensional shape.
    void write_attribute(hid_t owner, const std::string& owner_name, const std::string& name, hid_t file_type,
                         hid_t memory_type, const void* data, std::size_t count) const;
    bool has_attribute(hid_t owner, const std::string& name) const;
    // Reads an attribute of exactly `count` elements (1 accepts a scalar or one element).
    void read_attribute(hid_t owner, const std::string& owner_name, const std::string& name, hid_t memory_type,
                        void* data, std::size_t count) const;
    // The element count of an attribute (1 for a scalar).
    std::size_t attribute_size(hid_t owner, const std::string& owner_name, const std::string& name) const;

    // A dataset of rows x cols (cols 0: one-dimensional) written in one call from `data`.
    Handle create_dataset(hid_t group, const std::string& path, hid_t file_type, std::uint64_t rows,
                          std::uint64_t cols) const;
    void write_rows(hid_t dataset, const std::string& path, hid_t memory_type, std::uint64_t first,
                    std::uint64_t rows, std::uint64_t cols, const void* data) const;
    // Opens a dataset and checks it has exactly this shape and stores its data.
    Handle open_dataset(const std::string& path, std::uint64_t rows, std::uint64_t cols) const;
    void read_all(hid_t dataset, const std::string& path, hid_t memory_type, void* data) const;

private:
    void check_stored(hid_t dataset, hid_t space, const std::string& object, std::uint64_t values) const;
    File(Handle file, std::string name) : file_(std::move(file)), name_(std::move(name)) {}
    Handle file_;
    std::string name_;
};

}  // namespace galtk::h5
