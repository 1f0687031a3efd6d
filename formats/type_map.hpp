// Which particle type (0..5) of the binary formats each text type code becomes.
//
// Without pairs, code t is type t for t in 0..5 and any other code is refused. With
// pairs ("1=2,3=3"), only the listed codes are allowed; two codes may share a type, but
// then a reader cannot tell them apart again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace galtk {

constexpr int particle_types = 6;

struct TypeMap {
    std::vector<std::pair<std::int32_t, int>> pairs;  // (text code, particle type)

    bool empty() const { return pairs.empty(); }
    std::optional<int> type_of(std::int32_t code) const;
    // The one code mapped to `type`; none when no code or several codes are.
    std::optional<std::int32_t> code_of(int type) const;
};

// "1=2,3=3": code=type pairs separated by commas; a type outside 0..5, a code listed
// twice or text that is not such a list is refused with the reason in `error`.
std::optional<TypeMap> parse_type_map(std::string_view text, std::string& error);

}  // namespace galtk
