// Numeric conventions of the model arithmetic: conversions of reals to integers.
// Truncation follows the classic rule (toward zero), but a value that is NaN or outside
// the 32-bit range is reported instead of being undefined behaviour.
#pragma once

#include <cstdint>
#include <optional>

namespace galtk {

// Truncation toward zero; nullopt when the value is NaN or its truncation does not fit
// a 32-bit signed integer.
std::optional<std::int32_t> truncate_to_int(double value);

}  // namespace galtk
