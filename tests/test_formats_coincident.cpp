// Coincident particles: the count, and the jitter that separates them.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "coincident.hpp"
#include "formats_fixture.hpp"

namespace galtk::test {
namespace {

// A disk-like set with `pairs` particles placed on earlier ones (as galmix places bar
// particles on disk particles), and one triple.
ParticleSet with_duplicates(std::size_t n, std::size_t pairs) {
    ParticleSet s = model(n, true, 1);
    for (std::size_t k = 0; k < pairs; ++k) s.pos[n - 1 - k] = s.pos[k * 3];
    s.pos[n - 1 - pairs] = s.pos[0];  // a third particle at the place of particle 0
    return s;
}

std::set<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>> places(const ParticleSet& s) {
    std::set<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>> p;
    for (const Vec3& v : s.pos) p.emplace(bits(v.x), bits(v.y), bits(v.z));
    return p;
}

TEST(Coincident, CountsEveryMemberOfEachGroup) {
    EXPECT_EQ(count_coincident(model(1000, false, 1)), 0u);
    // 40 pairs (80 particles) plus a triple on particle 0, whose pair is among them: 81.
    EXPECT_EQ(count_coincident(with_duplicates(1000, 40)), 81u);
    ParticleSet zeros = model(3, false, 1);
    zeros.pos[0] = {0.0f, 0.0f, 0.0f};
    zeros.pos[1] = {-0.0f, 0.0f, 0.0f};  // another bit pattern: another place
    zeros.pos[2] = {0.0f, 0.0f, 0.0f};
    EXPECT_EQ(count_coincident(zeros), 2u);
    EXPECT_EQ(count_coincident(ParticleSet{}), 0u);
}

TEST(Coincident, JitterSeparatesMovingOnlyTheLaterParticles) {
    const ParticleSet before = with_duplicates(2000, 100);
    ParticleSet after = before;
    const float eps = 1e-3f;
    const JitterResult r = jitter_coincident(after, eps, 4711);
    EXPECT_EQ(r.moved, 101u);  // every group keeps its first particle
    EXPECT_GT(r.largest_offset, 0.0f);
    EXPECT_LE(r.largest_offset, eps);
    EXPECT_EQ(count_coincident(after), 0u);
    EXPECT_EQ(places(after).size(), after.size());
    std::size_t moved = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        // Velocities, masses, types and order untouched.
        EXPECT_EQ(before.vel[i], after.vel[i]);
        EXPECT_TRUE(same_bits(before.mass[i], after.mass[i]));
        EXPECT_EQ(before.type[i], after.type[i]);
        if (before.pos[i] == after.pos[i]) continue;
        ++moved;
        bool has_earlier = false;
        for (std::size_t j = 0; j < i && !has_earlier; ++j) has_earlier = before.pos[j] == before.pos[i];
        EXPECT_TRUE(has_earlier) << "particle " << i << " moved without an earlier one at its place";
        const double dx = double(after.pos[i].x) - before.pos[i].x, dy = double(after.pos[i].y) - before.pos[i].y,
                     dz = double(after.pos[i].z) - before.pos[i].z;
        EXPECT_LE(std::sqrt(dx * dx + dy * dy + dz * dz), eps) << "particle " << i;
    }
    EXPECT_EQ(moved, r.moved);
}

TEST(Coincident, TheSameSeedGivesTheSameOffsetsAnotherSeedOthers) {
    const ParticleSet before = with_duplicates(500, 30);
    ParticleSet a = before, b = before, c = before;
    jitter_coincident(a, 0.01f, 12);
    jitter_coincident(b, 0.01f, 12);
    jitter_coincident(c, 0.01f, 13);
    EXPECT_EQ(a.pos, b.pos);
    EXPECT_NE(a.pos, c.pos);
    // A negative seed is ran1's own start form: -12 and 12 give the same stream.
    ParticleSet d = before;
    jitter_coincident(d, 0.01f, -12);
    EXPECT_EQ(a.pos, d.pos);
}

TEST(Coincident, NothingCoincidentNothingMoved) {
    const ParticleSet before = model(300, false, 1);
    ParticleSet after = before;
    const JitterResult r = jitter_coincident(after, 0.5f, 1);
    EXPECT_EQ(r.moved, 0u);
    EXPECT_EQ(r.largest_offset, 0.0f);
    EXPECT_EQ(after.pos, before.pos);
}

TEST(Coincident, AnEpsBelowTheFloatSpacingOrNotPositiveIsRefused) {
    ParticleSet s = model(4, false, 1);
    s.pos[0] = s.pos[1] = {1.0e6f, 1.0e6f, 1.0e6f};
    EXPECT_EQ(format_error_of([&] { jitter_coincident(s, 1e-6f, 1); }).status, 1);  // spacing there is 0.0625
    for (float eps : {0.0f, -1.0f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(format_error_of([&] { jitter_coincident(s, eps, 1); }).status, 1) << eps;
    // A tiny eps that still moves: the realised offset stays within it.
    const JitterResult r = jitter_coincident(s, 0.2f, 1);
    EXPECT_EQ(r.moved, 1u);
    EXPECT_LE(r.largest_offset, 0.2f);
}

TEST(Coincident, ManyParticlesAtOnePlace) {
    ParticleSet s = model(5000, false, 1);
    for (Vec3& p : s.pos) p = {1.0f, 2.0f, 3.0f};
    EXPECT_EQ(count_coincident(s), 5000u);
    const JitterResult r = jitter_coincident(s, 1e-4f, 99);
    EXPECT_EQ(r.moved, 4999u);
    EXPECT_EQ(count_coincident(s), 0u);
    EXPECT_LE(r.largest_offset, 1e-4f);
}

}  // namespace
}  // namespace galtk::test
