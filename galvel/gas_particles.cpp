#include "gas_particles.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "parallel_for.hpp"

namespace galtk::galvel {

GasParticles draw_gas_particles(const GasDisk& disk, std::size_t count, Deviates& random) {
    return gas_particles_from(disk, draw_gas_uniforms(count, random), 1);
}

std::vector<float> draw_gas_uniforms(std::size_t count, Deviates& random) {
    std::vector<float> u(3 * count);
    for (float& value : u) value = static_cast<float>(random.uniform());
    return u;
}

GasParticles gas_particles_from(const GasDisk& disk, const std::vector<float>& uniforms, int threads) {
    const std::size_t count = uniforms.size() / 3;
    GasParticles g;
    g.mass = static_cast<float>(disk.mass() / static_cast<double>(count));
    g.pos.resize(count);
    g.vel.resize(count);
    g.u.resize(count);
    g.density.resize(count);
    auto draw = [&](std::size_t first, std::size_t last) {
        for (std::size_t j = first; j < last; ++j) {
            const double R = disk.radius_of(uniforms[3 * j]);
            const double u2 = uniforms[3 * j + 1];
            const double height = disk.height_of(R, std::fabs(2.0 * u2 - 1.0));
            const double z = u2 < 0.5 ? -height : height;
            const double phi = 2.0 * std::numbers::pi * double(uniforms[3 * j + 2]);
            const double c = std::cos(phi), s = std::sin(phi);
            const double v = disk.rotation(R);
            g.pos[j] = {static_cast<float>(R * c), static_cast<float>(R * s), static_cast<float>(z)};
            g.vel[j] = {static_cast<float>(-v * s), static_cast<float>(v * c), 0.0f};
            const double rho = disk.density(R, z);
            g.density[j] = static_cast<float>(rho);
            g.u[j] = static_cast<float>(disk.eos().internal_energy(rho));
        }
    };
    in_blocks(count, threads, draw);
    return g;
}

void insert_gas(ParticleSet& set, std::size_t at, const GasParticles& gas) {
    const std::size_t n = gas.size();
    const auto offset = static_cast<std::ptrdiff_t>(at);
    set.pos.insert(set.pos.begin() + offset, gas.pos.begin(), gas.pos.end());
    set.vel.insert(set.vel.begin() + offset, gas.vel.begin(), gas.vel.end());
    set.mass.insert(set.mass.begin() + offset, n, gas.mass);
    set.type.insert(set.type.begin() + offset, n, gas_type);
    if (!set.id.empty()) {
        std::uint64_t top = *std::max_element(set.id.begin(), set.id.end());
        set.id.insert(set.id.begin() + offset, n, 0);
        for (std::size_t j = 0; j < n; ++j) set.id[at + j] = ++top;
    }
    if (set.has_gas_fields()) {
        set.internal_energy.insert(set.internal_energy.begin() + offset, n, 0.0f);
        set.density.insert(set.density.begin() + offset, n, 0.0f);
        set.smoothing_length.insert(set.smoothing_length.begin() + offset, n, 0.0f);
    } else {
        set.add_gas_fields();
    }
    std::copy(gas.u.begin(), gas.u.end(), set.internal_energy.begin() + offset);
    std::copy(gas.density.begin(), gas.density.end(), set.density.begin() + offset);
    std::copy(gas.hsml.begin(), gas.hsml.end(), set.smoothing_length.begin() + offset);
    if (!set.type_mass.empty()) set.type_mass[gas_type] = gas.mass;
}

}  // namespace galtk::galvel
