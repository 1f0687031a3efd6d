#include "summary.hpp"

#include <cstdio>
#include <map>

namespace snapconv {

namespace {
std::string real_text(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}
}  // namespace

std::string summary_line(const galtk::ParticleSet& set, const Conversion& c) {
    // Counted in runs of one code (models hold long runs), then summed per code.
    std::map<std::int32_t, std::size_t> per_type;
    double total = 0.0;
    for (std::size_t i = 0; i < set.size();) {
        std::size_t j = i + 1;
        while (j < set.size() && set.type[j] == set.type[i]) ++j;
        per_type[set.type[i]] += j - i;
        i = j;
    }
    for (float m : set.mass) total += m;
    std::string s = c.output + " (" + galtk::format_name(c.format) + "): " + std::to_string(set.size()) + " particles (";
    bool first = true;
    for (const auto& [t, n] : per_type) {
        s += (first ? "type " : ", type ") + std::to_string(t) + ": " + std::to_string(n);
        first = false;
    }
    s += first ? "none), total mass " : "), total mass ";
    s += real_text(total) + ", " + std::to_string(c.coincident) + " coincident";
    if (c.jitter) {
        s += ", " + std::to_string(c.jitter->moved) + " moved by --jitter (largest offset " +
             real_text(c.jitter->largest_offset) + "), 0 coincident now";
    }
    if (c.gas > 0) s += ", " + std::to_string(c.gas) + " gas particles with u, density and h";
    if (c.gas_dropped > 0) s += ", gas fields of " + std::to_string(c.gas_dropped) + " particles left out (--drop-gas)";
    return s;
}

std::string coincident_hint(const Conversion& c) {
    return galtk::coincident_hint(c.coincident, c.jitter.has_value());
}

}  // namespace snapconv
