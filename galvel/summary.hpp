// galvel's summary line and its hint on coincident particles.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "coincident.hpp"
#include "equilibrium.hpp"
#include "halo.hpp"

namespace galtk::galvel {

struct Handover {
    std::string output;
    const char* format = "";
    std::size_t coincident = 0;
    std::optional<JitterResult> jitter;
};

std::string summary_line(const Outcome& o, const AnalyticHalo& halo, const Handover& h);

// Empty when no particles coincide (or --jitter moved them apart).
std::string coincident_hint(const Handover& h);

}  // namespace galtk::galvel
