// What a read or a check was about, for diagnostics: a fixed label and an optional
// index, e.g. {"disk particle record", 17}. Formatted only when something fails, so a
// hot loop passes it for free.
#pragma once

#include <cstdint>
#include <string>

namespace galtk {

struct What {
    const char* text = "";
    std::int64_t index = -1;  // shown as " <index>" after the text when >= 0

    std::string describe() const;
};

}  // namespace galtk
