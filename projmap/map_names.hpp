// Names of the numbered map files: a prefix chosen by the map kind followed by the
// decimal digits of the model number, without leading zeros.
#pragma once

#include <cstdint>
#include <string>

namespace projmap {

// The map file of model n, e.g. "2dfv1.dat.m7" for kind 3. `kind` is 1, 2 or 3.
std::string map_file_name(std::int32_t kind, std::int64_t n);

// The console label in front of the name buffer: "filename1=" for models 1 to 9 and
// "fiename1=" from model 10 on (the surveys' logs have always shown it so).
const char* name_label(std::int64_t n);

// The name followed by blanks up to the 128 characters of the name buffer.
std::string name_buffer(const std::string& name);

}  // namespace projmap
