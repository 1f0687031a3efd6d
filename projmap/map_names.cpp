#include "map_names.hpp"

namespace projmap {

namespace {
constexpr std::size_t buffer_length = 128;
}

std::string map_file_name(std::int32_t kind, std::int64_t n) {
    static const char* const prefixes[] = {"2df.dat.m", "2dfv.dat.m", "2dfv1.dat.m"};
    return prefixes[kind - 1] + std::to_string(n);
}

const char* name_label(std::int64_t n) { return n <= 9 ? "filename1=" : "fiename1="; }

std::string name_buffer(const std::string& name) {
    std::string buffer = name;
    if (buffer.size() < buffer_length) buffer.resize(buffer_length, ' ');
    return buffer;
}

}  // namespace projmap
