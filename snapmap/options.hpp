// snapmap's command line, read with CLI11 and checked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "binning.hpp"
#include "snapshot_io.hpp"
#include "view.hpp"

namespace snapmap {

// More views than this make a picture wider than a PNG viewer shows.
constexpr std::size_t max_views = 64;

struct Options {
    std::string input;
    galtk::ReadOptions read;      // --format, --position-mass
    Quantity quantity = Quantity::density;
    std::int32_t nmesh = 128;
    std::optional<float> extent;  // none: the default extent of extent.hpp
    Assignment assignment = Assignment::cic;
    std::vector<View> views;      // default_views() when none is given
    std::int32_t model = 1;
    std::string map_file;         // empty: no map file (only --png was asked for)
    std::string png_file;         // empty: no picture
    std::vector<std::int32_t> types;  // the type codes mapped, sorted; empty: every particle
};

// Parses and checks the arguments. `--help` and `--version` print and exit 0; a refused
// option or value throws galtk::FormatError with status 1 and a one-line message.
Options parse_options(int argc, char** argv);

// The checks of a value given on the command line (also used by the tests).
std::int32_t checked_nmesh(std::int64_t nmesh);
float checked_extent(const std::string& text);

}  // namespace snapmap
