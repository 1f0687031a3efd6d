#include "analytic_halo_note.hpp"

#include <charconv>

namespace galtk {

std::string shortest_text(double v) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

std::string describe_analytic_halo(const AnalyticHaloNote& note) {
    switch (note.kind) {
    case AnalyticHaloNote::hernquist:
        return "hernquist:" + shortest_text(note.mass) + ":" + shortest_text(note.length) + " (G " + shortest_text(note.G) + ")";
    case AnalyticHaloNote::nfw:
        return "nfw:" + shortest_text(note.mass) + ":" + shortest_text(note.length) + ":" + shortest_text(note.concentration) + " (G " +
               shortest_text(note.G) + ")";
    default:
        return {};
    }
}

std::string analytic_halo_hint(const ParticleSet& set, const std::string& output, std::size_t count) {
    const std::string halo = describe_analytic_halo(set.analytic_halo);
    if (halo.empty()) return {};
    const char* swift = set.analytic_halo.kind == AnalyticHaloNote::hernquist ? "HernquistPotential" : "NFWPotential";
    return "hint: the velocities assume the analytic halo " + halo + ", which " + output +
           " does not hold: a simulation started from it lacks the halo's pull and the model flies apart; "
           "galvel --halo-particles " + (count > 0 ? std::to_string(count) : std::string("N")) +
           " writes the halo as particles" + (count > 0 ? " as heavy as the disk's" : "") +
           ", or the code's external potential supplies it (SWIFT's " + swift + ", see docs/galvel.md)";
}

}  // namespace galtk
