// Particle sets and files for the tests of the formats library and snapconv.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "snapshot_io.hpp"
#include "support.hpp"

namespace galtk::test {

inline std::string file_bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void put_bytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A varied float: signs, magnitudes from 1e-6 to 1e6, never a repeat pattern.
inline float varied(std::uint32_t i, std::uint32_t salt) {
    std::uint32_t h = (i + 1) * 2654435761u ^ (salt * 40503u + 12345u);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    const float mantissa = 1.0f + static_cast<float>(h & 0xFFFFF) / 1048576.0f;
    const int exponent = static_cast<int>((h >> 20) % 13) - 6;
    const float v = mantissa * std::pow(10.0f, static_cast<float>(exponent));
    return (h >> 31) ? -v : v;
}

// A text-like model of n particles: interleaved type codes 0..5 (or `code` for all), a
// uniform header (ncomp 4, five softening lengths, five masses) unless `varied_header`.
inline ParticleSet model(std::size_t n, bool per_particle_mass, int code = -1, bool varied_header = false) {
    ParticleSet s;
    s.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto k = static_cast<std::uint32_t>(i);
        s.pos[i] = {varied(k, 1), varied(k, 2), varied(k, 3)};
        s.vel[i] = {varied(k, 4), varied(k, 5), varied(k, 6)};
        s.type[i] = code >= 0 ? code : static_cast<std::int32_t>((i * 7 + i / 3) % 6);
    }
    s.time = 0.25f;
    s.ncomp = 4;
    if (varied_header) {
        s.softening = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f};
        s.type_mass = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f};
    } else {
        s.softening.assign(5, 0.0625f);
        s.type_mass.assign(5, 2.5e-4f);
    }
    s.per_particle_mass = per_particle_mass;
    for (std::size_t i = 0; i < n; ++i) {
        const auto t = static_cast<std::size_t>(s.type[i]);
        s.mass[i] = per_particle_mass ? std::abs(varied(static_cast<std::uint32_t>(i), 7))
                                      : (t < s.type_mass.size() ? s.type_mass[t] : 0.0f);
    }
    return s;
}

// A model as galmix writes it: one code (1), eight items, four header entries each, the
// header masses all 1/ntot.
inline ParticleSet galmix_like(std::size_t n) {
    ParticleSet s = model(n, true, 1);
    s.softening.assign(4, 0.369753867f);
    s.type_mass.assign(4, 1.0f / static_cast<float>(n));
    return s;
}

inline bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every particle value equal bit for bit (header fields are compared by the callers).
inline void expect_same_particles(const ParticleSet& a, const ParticleSet& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (int c = 0; c < 3; ++c) {
            ASSERT_TRUE(same_bits(a.pos[i][c], b.pos[i][c])) << "particle " << i << " position " << c;
            ASSERT_TRUE(same_bits(a.vel[i][c], b.vel[i][c])) << "particle " << i << " velocity " << c;
        }
        ASSERT_TRUE(same_bits(a.mass[i], b.mass[i])) << "particle " << i << " mass";
        ASSERT_EQ(a.type[i], b.type[i]) << "particle " << i << " type";
    }
}

// The FormatError of a call, or a test failure when it does not throw one.
template <class F>
FormatError format_error_of(F&& f) {
    try {
        f();
    } catch (const FormatError& e) {
        return e;
    }
    ADD_FAILURE() << "no FormatError";
    return FormatError(0, "");
}

}  // namespace galtk::test
