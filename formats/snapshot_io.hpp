// Reading and writing a ParticleSet in every snapshot format the toolkit knows.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "particle_set.hpp"
#include "type_map.hpp"

namespace galtk {

class OutputFile;

enum class SnapshotFormat { text, positions, gadget1, gadget2, hdf5, tipsy };

// A file that cannot be read or written as asked. `status` is the exit status a program
// ends with: 1 for a refused option or value, 2 for an I/O or format failure. what() is
// the diagnostic without the program's name: it names the file, the block or dataset,
// the particle index where there is one, and what was expected and found.
struct FormatError : std::runtime_error {
    int status;
    FormatError(int s, const std::string& message) : std::runtime_error(message), status(s) {}
};

struct ReadOptions {
    std::optional<SnapshotFormat> format;  // none: detected from the file
    float position_mass = 0.0f;            // mass of each particle of a position list
    bool allow_nonfinite = false;          // otherwise non-finite positions/masses are refused
    std::int32_t position_type = 1;        // type code of the particles of a position list
    // A binary file with BoxSize L > 0 whose positions all lie in [0, L]^3 (what --box L
    // writes, and SWIFT's and the periodic codes' files) is moved by -L/2 so that the
    // box's centre is the origin, where the toolkit's programs expect a galaxy: the
    // reverse of the writer's shift, to within float rounding at L/2. False keeps the
    // file's coordinates.
    bool centre_box = true;
    // The model's units where the file does not say (tipsy's gas temperatures).
    std::optional<ModelUnits> units = std::nullopt;
};

// SWIFT's optional `Units` group: the code units in cgs.
struct SwiftUnits {
    double length_cgs = 0.0;
    double mass_cgs = 0.0;
    double time_cgs = 0.0;
    double current_cgs = 1.0;
    double temperature_cgs = 1.0;
};

// "galactic" (kpc, 1e10 solar masses, km/s: the GADGET defaults) or three to five
// numbers "UL,UM,Ut[,UI,UT]" in cgs; none when the text is neither.
std::optional<SwiftUnits> parse_swift_units(std::string_view text);

// The same units as a model's units record (velocity = length / time) and back (current
// and temperature units 1).
ModelUnits model_units(const SwiftUnits& u);
SwiftUnits swift_units(const ModelUnits& u);

struct WriteOptions {
    TypeMap type_map;          // text type code -> particle type 0..5 of the binary formats
    double box = 0;            // BoxSize; when > 0 every position is moved by box/2
    bool tipsy_stars = false;  // tipsy: the particles as stars instead of dark matter
    std::optional<SwiftUnits> units;  // HDF5: a SWIFT `Units` group
    bool allow_nonfinite = false;     // otherwise non-finite positions/masses are refused
    bool drop_gas = false;            // text: write gas particles without their gas fields
};

// What the writers add to every coordinate: box/2 when a box is given, else nothing.
inline float position_shift(const WriteOptions& options) {
    return options.box > 0.0 ? static_cast<float>(options.box / 2.0) : 0.0f;
}

// Reads the whole file; throws FormatError.
ParticleSet read_snapshot(const std::filesystem::path& path, const ReadOptions& options = {});

// Writes `set` to a temporary file in the output's folder and renames it to `path` at
// the end: a failure leaves no partial file and an earlier file intact. Throws
// FormatError (status 1 for a value the format cannot hold, 2 for I/O).
//
// Returns what the file cannot give back of the model's text header (the type codes,
// ncomp, the softening and type-mass lists, 7 or 8 items a record), as one line that
// names the file, what the format lacks and what comes back instead, for the program to
// print with its name; empty when the text written from the file would be the same.
std::string write_snapshot(const std::filesystem::path& path, const ParticleSet& set, SnapshotFormat format,
                    const WriteOptions& options = {});
// The same into an output the caller commits (with commit_together when a run has
// several outputs that must replace earlier files together).
std::string write_snapshot(OutputFile& out, const ParticleSet& set, SnapshotFormat format, const WriteOptions& options = {});

// The format of an existing file from its first bytes: GADGET format 1 (first record
// marker 256, either byte order), format 2 (marker 8 and "HEAD"), HDF5 (its signature),
// tipsy (a header whose counts match the file size, either byte order), a position
// list (a first line of one value) and otherwise a text snapshot. Throws FormatError
// when the file cannot be opened.
SnapshotFormat detect_format(const std::filesystem::path& path);

// "text", "positions", "gadget1", "gadget2", "hdf5", "tipsy".
std::optional<SnapshotFormat> parse_format_name(std::string_view name);
const char* format_name(SnapshotFormat format);

// HDF5 for a name ending in .hdf5 or .h5 (any case); none otherwise.
std::optional<SnapshotFormat> format_from_extension(const std::filesystem::path& path);

// The first particle (0-based) whose position, mass or gas field is not finite; none if
// all are.
struct NonFinite {
    std::size_t index;
    const char* quantity;  // "position", "mass", "internal energy", "density", "smoothing length"
};
std::optional<NonFinite> find_nonfinite(const ParticleSet& set);

}  // namespace galtk
