#include "quoted.hpp"

namespace galtk {

std::string quote_found(std::string_view token) {
    constexpr std::size_t max_shown = 40;
    std::string out = "\"";
    for (std::size_t i = 0; i < token.size() && i < max_shown; ++i) {
        const auto c = static_cast<unsigned char>(token[i]);
        if (c < 0x20 || c >= 0x7f) {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (token.size() > max_shown) out += "...";
    out += '"';
    return out;
}

}  // namespace galtk
