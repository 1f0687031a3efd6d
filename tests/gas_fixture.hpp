// Models with gas particles for the tests of the formats' gas fields.
#pragma once

#include <gtest/gtest.h>

#include <cmath>

#include "formats_fixture.hpp"

namespace galtk::test {

// `model` with gas fields: the particles of code 0 get varied positive u, density and h,
// the others 0. `gas_first`: the codes sorted (gas, then the rest), as every binary file
// orders them, so that formats without IDs give the same order back.
inline ParticleSet gas_model(std::size_t n, bool gas_first = false) {
    ParticleSet s = model(n, true);
    if (gas_first) {
        for (std::size_t i = 0; i < n; ++i) s.type[i] = static_cast<std::int32_t>(i * 6 / std::max<std::size_t>(n, 1));
    }
    s.add_gas_fields();
    for (std::size_t i = 0; i < n; ++i) {
        if (s.type[i] != 0) continue;
        const auto k = static_cast<std::uint32_t>(i);
        s.internal_energy[i] = std::abs(varied(k, 11));
        s.density[i] = std::abs(varied(k, 12));
        s.smoothing_length[i] = std::abs(varied(k, 13));
    }
    return s;
}

// The gas fields of two models equal bit for bit (or within `ulps` units in the last
// place for the internal energy, which tipsy holds as a temperature).
inline void expect_same_gas(const ParticleSet& a, const ParticleSet& b, int ulps = 0) {
    ASSERT_EQ(a.has_gas_fields(), b.has_gas_fields());
    ASSERT_EQ(a.internal_energy.size(), b.internal_energy.size());
    for (std::size_t i = 0; i < a.internal_energy.size(); ++i) {
        const float u = a.internal_energy[i], v = b.internal_energy[i];
        if (ulps == 0) {
            ASSERT_TRUE(same_bits(u, v)) << "particle " << i << " internal energy " << u << " vs " << v;
        } else {
            // One unit in the last place is at most 2^-23 of the value.
            ASSERT_LE(std::abs(u - v), static_cast<float>(ulps) * 0x1p-23f * std::abs(u))
                << "particle " << i << " internal energy " << u << " vs " << v;
        }
        ASSERT_TRUE(same_bits(a.density[i], b.density[i])) << "particle " << i << " density";
        ASSERT_TRUE(same_bits(a.smoothing_length[i], b.smoothing_length[i])) << "particle " << i << " smoothing length";
    }
}

}  // namespace galtk::test
