// The gas disk's options of galvel's command line (--gas and --gas-*).
#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "settings.hpp"

namespace galtk::galvel {

// The gas options as typed.
struct GasTyped {
    std::string disk, eos;
    double r_max = 0.0, temperature = 0.0, sound_speed = 0.0;
    long long particles = 0, neighbours = 64;
};

void add_gas_options(CLI::App& app, GasTyped& t);

// Fills s.gas and s.gas_c2; throws Refusal naming the option, what was expected and what
// was found.
void settle_gas(const CLI::App& app, const GasTyped& t, Settings& s);

}  // namespace galtk::galvel
