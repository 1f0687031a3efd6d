#include "check_report.hpp"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "refusal.hpp"

namespace galtk::galvel {

namespace {

std::string real(double v, const char* format = "%.4g") {
    if (!std::isfinite(v)) return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

// The figure's name in the summary: the table's without the component.
std::string short_name(const FigureDefinition& def) {
    const std::string prefix = std::string(component_name(def.component)) + "_";
    return def.name.compare(0, prefix.size(), prefix) == 0 ? def.name.substr(prefix.size()) : def.name;
}

// "r50 1.68 -> 1.70 (+1.2%, noise 0.8%)": the change and its noise relative to the
// value at t = 0, with a '!' when the change exceeds the flag.
std::string figure_text(const CheckResult& r, std::size_t f) {
    const double v0 = r.values.front()[f], v1 = r.values.back()[f];
    std::string s = short_name(r.defs[f]) + " " + real(v0) + " -> " + real(v1);
    if (std::isfinite(v0) && std::isfinite(v1) && v0 != 0.0)
        s += " (" + real(100.0 * (v1 - v0) / std::fabs(v0), "%+.2g") + "%, noise " +
             real(100.0 * r.noise[f] / std::fabs(v0), "%.2g") + "%)";
    if (r.flagged(f)) s += "!";
    return s;
}

// A number of the table: nine digits, "nan" for a figure without particles.
std::string number(double v) { return std::isfinite(v) ? real(v, "%.9g") : std::string("nan"); }

}  // namespace

CheckResult check_model(const ParticleSet& set, const Outcome& outcome, double duration, int threads) {
    const auto start = std::chrono::steady_clock::now();
    const FieldTable table(*outcome.field, table_layout(*outcome.field, outcome.scale_length, outcome.z0), threads);
    const double seconds_table = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    CheckSample sample = pick_sample(set);
    if (const double steps = estimated_steps(sample, table, duration); !(steps <= max_check_steps)) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "--check %.6g: the orbits would take about %.2g leapfrog steps, more than %.0e (hours): "
                      "expected a shorter time",
                      duration, steps, max_check_steps);
        throw Refusal(text);
    }
    CheckResult r = run_check(sample, table, figure_definitions(sample, outcome.scale_length, outcome.q_radius), duration, threads);
    r.seconds_table = seconds_table;
    return r;
}

std::vector<std::string> check_lines(const CheckResult& r) {
    std::vector<std::string> lines;
    char head[400];
    std::snprintf(head, sizeof head,
                  "check: %zu of %zu particles on their orbits for t = %s in the model's frozen field (not an N-body run), "
                  "%zu times, %zu leapfrog steps (1/100 of the local period); noise of a change: bootstrap x sqrt 2; "
                  "%.2f s (field table %.2f, orbits %.2f, figures %.2f)",
                  r.sample, r.model, real(r.duration, "%.6g").c_str(), r.times.size(), r.steps,
                  r.seconds_table + r.seconds_orbits + r.seconds_figures, r.seconds_table, r.seconds_orbits,
                  r.seconds_figures);
    lines.push_back(head);
    std::size_t flagged = 0;
    std::string which;
    for (Component c : {Component::disk, Component::bulge, Component::halo}) {
        std::string line;
        for (std::size_t f = 0; f < r.defs.size(); ++f) {
            if (r.defs[f].component != c) continue;
            line += (line.empty() ? "check " + std::string(component_name(c)) + ": " : ", ") + figure_text(r, f);
            if (r.flagged(f)) {
                ++flagged;
                which += (which.empty() ? "" : ", ") + r.defs[f].name;
            }
        }
        if (!line.empty()) lines.push_back(line);
    }
    if (flagged == 0)
        lines.push_back("check: every figure within " + real(flag_noise_multiple) + " times its noise");
    else
        lines.push_back("check: " + std::to_string(flagged) + " of " + std::to_string(r.defs.size()) +
                        " figures changed by more than " + real(flag_noise_multiple) +
                        " times their noise (out of equilibrium): " + which);
    return lines;
}

void write_check_table(OutputFile& out, const CheckResult& r) {
    std::string text = "# galvel check: duration " + real(r.duration, "%.9g") + ", " + std::to_string(r.sample) +
                       " of " + std::to_string(r.model) + " particles, " + std::to_string(r.times.size() - 1) +
                       " intervals, step 1/100 of the local period\n# columns: t";
    for (const FigureDefinition& s : r.defs) text += " " + s.name;
    text += "\n# noise: 0";
    for (double n : r.noise) text += " " + number(n);
    text += "\n";
    for (std::size_t k = 0; k < r.times.size(); ++k) {
        text += number(r.times[k]);
        for (double v : r.values[k]) text += " " + number(v);
        text += "\n";
    }
    out.write(text.data(), text.size());
}

}  // namespace galtk::galvel
