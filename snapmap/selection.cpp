#include "selection.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

#include "snapshot_io.hpp"

namespace snapmap {

std::optional<std::vector<std::int32_t>> parse_type_codes(std::string_view text, std::string& error) {
    std::vector<std::int32_t> codes;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        std::string_view item = text.substr(start, comma - start);
        if (!item.empty() && item.front() == '+') item.remove_prefix(1);
        std::int64_t code = -1;
        const auto [p, ec] = std::from_chars(item.data(), item.data() + item.size(), code);
        const bool whole = ec == std::errc() && p == item.data() + item.size() && !item.empty();
        if (!whole || code < 0 || code > std::numeric_limits<std::int32_t>::max()) {
            error = "\"" + std::string(text.substr(start, comma - start)) +
                    "\" is not a type code: expected whole numbers of 0 or more separated by commas (0, or 2,3)";
            return std::nullopt;
        }
        codes.push_back(static_cast<std::int32_t>(code));
        if (comma == text.size()) break;
        start = comma + 1;
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

std::string type_codes_text(const std::vector<std::int32_t>& codes) {
    std::string text;
    for (const std::int32_t c : codes) text += (text.empty() ? "" : ",") + std::to_string(c);
    return text;
}

galtk::ParticleSet select_types(galtk::ParticleSet&& model, const std::vector<std::int32_t>& codes) {
    const auto wanted = [&codes](std::int32_t t) { return std::binary_search(codes.begin(), codes.end(), t); };
    std::size_t kept = 0;
    for (const std::int32_t t : model.type) kept += wanted(t) ? 1 : 0;
    if (kept == 0) {
        std::vector<std::int32_t> present(model.type);
        std::sort(present.begin(), present.end());
        present.erase(std::unique(present.begin(), present.end()), present.end());
        throw galtk::FormatError(1, "--types " + type_codes_text(codes) + ": no particle of the model has " +
                                        (codes.size() == 1 ? "this type code" : "these type codes") +
                                        (present.empty() ? "; the model has no particles"
                                                         : "; its codes are " + type_codes_text(present)));
    }
    // Kept particles move forward in place: no second copy of a large model.
    std::size_t j = 0;
    for (std::size_t k = 0; k < model.size(); ++k) {
        if (!wanted(model.type[k])) continue;
        model.pos[j] = model.pos[k];
        model.vel[j] = model.vel[k];
        model.mass[j] = model.mass[k];
        model.type[j] = model.type[k];
        ++j;
    }
    model.resize(kept);
    model.id.clear();
    model.drop_gas_fields();
    return std::move(model);
}

}  // namespace snapmap
