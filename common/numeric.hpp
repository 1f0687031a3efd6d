// Numeric conventions of the model arithmetic: conversions of reals to integers.
// Truncation and rounding follow the classic rules (toward zero; halves away from zero),
// but a value that is NaN or outside the 32-bit range is reported instead of being
// undefined behaviour.
#pragma once

#include <cstdint>
#include <optional>

namespace galtk {

// Truncation toward zero; nullopt when the value is NaN or its truncation does not fit
// a 32-bit signed integer.
std::optional<std::int32_t> truncate_to_int(double value);
// Rounding to the nearest integer, halves away from zero; nullopt as above.
std::optional<std::int32_t> round_to_int(double value);

}  // namespace galtk
