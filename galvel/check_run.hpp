// --check: the model's particles (or a sample) on their orbits in the model's own frozen
// field for a time T, the figures of check_figures.hpp measured at evenly spaced times.
// This is not an N-body run: the field never changes, so nothing relaxes or responds;
// what moves is what the velocities do not balance.
#pragma once

#include <cstddef>
#include <vector>

#include "check_figures.hpp"
#include "frozen_field.hpp"

namespace galtk::galvel {

inline constexpr int default_check_intervals = 20;
// A change of more than this many times its noise is out of equilibrium.
inline constexpr double flag_noise_multiple = 3.0;

struct CheckResult {
    double duration = 0.0;
    std::vector<double> times;                 // 0 and the end of every interval
    std::vector<FigureDefinition> defs;
    std::vector<std::vector<double>> values;   // [time][figure]
    std::vector<double> noise;                 // of a change: sqrt(2) x the bootstrap's
    std::size_t sample = 0, model = 0;         // particles followed, of the model's
    std::size_t steps = 0;                     // leapfrog steps of all orbits
    double seconds_table = 0.0, seconds_orbits = 0.0, seconds_figures = 0.0;

    double change(std::size_t figure) const { return values.back()[figure] - values.front()[figure]; }
    bool flagged(std::size_t figure) const;
};

// More leapfrog steps than this (some hours on one core) are refused before they start.
inline constexpr double max_check_steps = 1e10;

// The steps the sample's orbits would take for `duration`, from each orbit's local period
// where it starts (the orbits' own periods vary about it).
double estimated_steps(const CheckSample& sample, const AxisymmetricField& field, double duration,
                       double step_fraction = default_step_fraction);

// Follows the sample (moved along) in `field` for `duration`, in `intervals` equal steps.
CheckResult run_check(CheckSample& sample, const AxisymmetricField& field, std::vector<FigureDefinition> defs,
                      double duration, int threads, int intervals = default_check_intervals,
                      double step_fraction = default_step_fraction);

}  // namespace galtk::galvel
