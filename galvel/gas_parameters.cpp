#include "gas_parameters.hpp"

#include <charconv>
#include <cmath>

namespace galtk::galvel {

namespace {

// The finite number that takes the whole of `field`, if any.
std::optional<double> finite_number(std::string_view field) {
    double value = 0.0;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

}  // namespace

std::string parse_gas_disk(std::string_view text, GasParameters& params) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || text.find(':', colon + 1) != std::string_view::npos)
        return "expected M:h (mass and scale length), found " + quoted(text);
    const auto mass = finite_number(text.substr(0, colon));
    const auto h = finite_number(text.substr(colon + 1));
    if (!mass || !(*mass > 0.0)) return "the mass must be a positive finite number, found " + quoted(text.substr(0, colon));
    if (!h || !(*h > 0.0))
        return "the scale length must be a positive finite number, found " + quoted(text.substr(colon + 1));
    params.present = true;
    params.mass = *mass;
    params.scale_length = *h;
    return {};
}

std::string parse_gas_eos(std::string_view text, GasParameters& params) {
    if (text == "isothermal") {
        params.polytrope = 1.0;
        return {};
    }
    constexpr std::string_view prefix = "polytrope:";
    if (text.substr(0, prefix.size()) != prefix)
        return "expected isothermal or polytrope:gamma, found " + quoted(text);
    const auto gamma = finite_number(text.substr(prefix.size()));
    if (!gamma || !(*gamma > 1.0))
        return "the polytropic index gamma must be a finite number above 1, found " + quoted(text.substr(prefix.size()));
    params.polytrope = *gamma;
    return {};
}

}  // namespace galtk::galvel
