#include "gas_options.hpp"

#include <cmath>
#include <cstdio>

#include "gas_eos.hpp"
#include "refusal.hpp"

namespace galtk::galvel {

namespace {

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

void require_positive(const char* name, double v) {
    if (!(std::isfinite(v) && v > 0.0))
        throw Refusal(std::string(name) + ": expected a positive finite number, found " + number(v));
}

}  // namespace

void add_gas_options(CLI::App& app, GasTyped& t) {
    app.add_option("--gas", t.disk, "add an exponential gas disk of mass M and scale length h (M:h), type 0");
    app.add_option("--gas-rmax", t.r_max, "outer radius of the gas disk (default: the stars' outermost radius)");
    app.add_option("--gas-particles", t.particles, "gas particles of equal mass (default 100000)");
    app.add_option("--gas-sound-speed", t.sound_speed, "isothermal sound speed of the gas (velocity unit)");
    app.add_option("--gas-temperature", t.temperature, "gas temperature in kelvin (needs the model's units)");
    app.add_option("--gas-eos", t.eos, "isothermal (default) or polytrope:gamma");
    app.add_option("--gas-neighbours", t.neighbours, "neighbours within a smoothing length (default 64)");
}

void settle_gas(const CLI::App& app, const GasTyped& t, Settings& s) {
    const bool temperature = app.count("--gas-temperature") > 0, sound_speed = app.count("--gas-sound-speed") > 0;
    if (app.count("--gas") == 0) {
        for (const char* name : {"--gas-rmax", "--gas-particles", "--gas-sound-speed", "--gas-temperature", "--gas-eos",
                                 "--gas-neighbours"})
            if (app.count(name) > 0)
                throw Refusal(std::string(name) + ": the --gas-* options need --gas M:h (the gas disk's mass and scale length)");
        return;
    }
    GasParameters& g = s.gas;
    if (std::string why = parse_gas_disk(t.disk, g); !why.empty()) throw Refusal("--gas " + t.disk + ": " + why);
    if (app.count("--gas-eos") > 0) {
        if (std::string why = parse_gas_eos(t.eos, g); !why.empty()) throw Refusal("--gas-eos " + t.eos + ": " + why);
    }
    if (app.count("--gas-rmax") > 0) {
        require_positive("--gas-rmax", t.r_max);
        g.r_max = t.r_max;
    }
    if (temperature && sound_speed) throw Refusal("--gas-temperature and --gas-sound-speed: give one of them, not both");
    if (!temperature && !sound_speed)
        throw Refusal("--gas needs --gas-sound-speed c (the isothermal sound speed in the model's velocity unit)");
    if (temperature) {
        require_positive("--gas-temperature", t.temperature);
        if (!s.units)
            throw Refusal("--gas-temperature needs --units: a temperature in kelvin becomes a sound speed only in known "
                          "units (give --gas-sound-speed in the model's velocity unit instead)");
        g.temperature = t.temperature;
        const double v = s.units->velocity_cm_s;
        s.gas_c2 = sound_speed_squared_cgs(t.temperature) / (v * v);
        if (!(std::isfinite(s.gas_c2) && s.gas_c2 > 0.0))
            throw Refusal("--gas-temperature " + number(t.temperature) + ": the sound speed in the model's units is " +
                          number(std::sqrt(s.gas_c2)) + ", expected a positive finite number");
    } else {
        require_positive("--gas-sound-speed", t.sound_speed);
        g.sound_speed = t.sound_speed;
        s.gas_c2 = t.sound_speed * t.sound_speed;
    }
    if (app.count("--gas-particles") > 0 && t.particles < 1)
        throw Refusal("--gas-particles " + std::to_string(t.particles) + ": expected a count, 1 or more");
    g.particles = app.count("--gas-particles") > 0 ? static_cast<std::size_t>(t.particles) : default_gas_particles;
    // One neighbour is the particle itself: h would be 0.
    if (t.neighbours < 2 || t.neighbours > 100000)
        throw Refusal("--gas-neighbours " + std::to_string(t.neighbours) + ": expected 2 .. 100000");
    if (static_cast<unsigned long long>(t.neighbours) > g.particles)
        throw Refusal("--gas-neighbours " + std::to_string(t.neighbours) + " is more than the " +
                      std::to_string(g.particles) + " gas particles");
    g.neighbours = static_cast<int>(t.neighbours);
}

}  // namespace galtk::galvel
