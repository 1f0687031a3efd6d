// A token of the input quoted for a diagnostic line.
#pragma once

#include <string>
#include <string_view>

namespace galtk {

// The token in double quotes, control and non-ASCII bytes escaped as \xNN and text
// beyond 40 bytes cut with "...", so that the diagnostic stays one readable line.
std::string quote_found(std::string_view token);

}  // namespace galtk
