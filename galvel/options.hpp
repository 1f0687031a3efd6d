// galvel's command line: every option bound with CLI11 and checked by its validators, then
// turned into the Settings of the run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings.hpp"
#include "snapshot_io.hpp"

namespace galtk::galvel {

struct Options {
    std::string input, output;
    std::string profile;                 // empty: no profile table
    std::optional<SnapshotFormat> to;    // none: the input's format (text for a position list)
    std::optional<float> jitter;         // --jitter EPS
    std::optional<double> check;         // --check T: orbits in the frozen field for T
    std::string check_output;            // empty: no table of the check
    Settings settings;
};

// Reads the command line. Returns the options to run with, or std::nullopt when --help or
// --version has been answered on standard output (status 0). Anything refused throws
// Refusal with one line that names the option, what was expected and what was found.
std::optional<Options> read_command_line(const std::vector<std::string>& args);

// The same for main's arguments.
std::optional<Options> read_command_line(int argc, const char* const* argv);

}  // namespace galtk::galvel
