// The gas disk as galvel's options give it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace galtk::galvel {

struct GasParameters {
    bool present = false;
    double mass = 0.0;                   // --gas M:h
    double scale_length = 0.0;
    std::optional<double> r_max;         // --gas-rmax (default: the stars' outermost radius)
    std::size_t particles = 0;           // --gas-particles
    std::optional<double> temperature;   // --gas-temperature, kelvin (needs units)
    std::optional<double> sound_speed;   // --gas-sound-speed, velocity unit
    double polytrope = 1.0;              // --gas-eos polytrope:gamma (1: isothermal)
    int neighbours = 64;                 // --gas-neighbours
};

inline constexpr int default_gas_particles = 100000;

// "M:h", both positive and finite. Empty string, or the reason the text was refused.
std::string parse_gas_disk(std::string_view text, GasParameters& params);

// "isothermal" or "polytrope:gamma", gamma finite and above 1.
std::string parse_gas_eos(std::string_view text, GasParameters& params);

}  // namespace galtk::galvel
