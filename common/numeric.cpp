#include "numeric.hpp"

namespace galtk {

std::optional<std::int32_t> truncate_to_int(double value) {
    // Compare before converting: the conversion of a value outside the range is
    // undefined behaviour in C++.
    if (!(value > -2147483649.0 && value < 2147483648.0)) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace galtk
