// Reading and writing a ParticleSet in every snapshot format the toolkit knows.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "particle_set.hpp"

namespace galtk {

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
};

// Reads the whole file; throws FormatError.
ParticleSet read_snapshot(const std::filesystem::path& path, const ReadOptions& options = {});

}  // namespace galtk
