#include "type_map.hpp"

#include <charconv>

namespace galtk {

std::optional<int> TypeMap::type_of(std::int32_t code) const {
    if (pairs.empty()) {
        if (code >= 0 && code < particle_types) return static_cast<int>(code);
        return std::nullopt;
    }
    for (const auto& [c, t] : pairs)
        if (c == code) return t;
    return std::nullopt;
}

std::optional<std::int32_t> TypeMap::code_of(int type) const {
    if (pairs.empty()) return type >= 0 && type < particle_types ? std::optional<std::int32_t>(type) : std::nullopt;
    std::optional<std::int32_t> found;
    for (const auto& [c, t] : pairs) {
        if (t != type) continue;
        if (found) return std::nullopt;
        found = c;
    }
    return found;
}

namespace {
bool parse_int(std::string_view s, std::int32_t& out) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size() && !s.empty();
}
}  // namespace

std::optional<TypeMap> parse_type_map(std::string_view text, std::string& error) {
    TypeMap map;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const std::size_t eq = item.find('=');
        std::int32_t code = 0, type = 0;
        if (eq == std::string_view::npos || !parse_int(item.substr(0, eq), code) ||
            !parse_int(item.substr(eq + 1), type)) {
            error = "\"" + std::string(item) + "\" is not of the form code=type";
            return std::nullopt;
        }
        if (type < 0 || type >= particle_types) {
            error = "type " + std::to_string(type) + " in \"" + std::string(item) + "\" is outside 0..5";
            return std::nullopt;
        }
        for (const auto& [c, t] : map.pairs) {
            if (c == code) {
                error = "code " + std::to_string(code) + " is listed twice";
                return std::nullopt;
            }
        }
        map.pairs.emplace_back(code, static_cast<int>(type));
        if (comma == std::string_view::npos) break;
        if (text.empty()) {
            error = "a comma ends the list";
            return std::nullopt;
        }
    }
    if (map.pairs.empty()) {
        error = "the list is empty";
        return std::nullopt;
    }
    return map;
}

}  // namespace galtk
