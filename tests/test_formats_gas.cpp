// Gas fields of type-0 particles: kept index for index through reordering, checked for
// finite values and consistent lengths, refused by the text format unless dropped.
#include <gtest/gtest.h>

#include <cmath>

#include "gas_fixture.hpp"
#include "particle_order.hpp"
#include "snapshot_io.hpp"

namespace galtk::test {
namespace {

TEST(FormatsGas, FieldsFollowTheirParticlesWhenIdsReorderThem) {
    ParticleSet s = gas_model(40);
    const ParticleSet original = s;
    // The IDs say particle k belongs at place perm[k].
    s.id.resize(s.size());
    ParticleSet shuffled = s;
    for (std::size_t k = 0; k < s.size(); ++k) {
        const std::size_t from = (k * 17 + 5) % s.size();  // 17 is prime to 40: a permutation
        shuffled.pos[k] = original.pos[from];
        shuffled.vel[k] = original.vel[from];
        shuffled.mass[k] = original.mass[from];
        shuffled.type[k] = original.type[from];
        shuffled.internal_energy[k] = original.internal_energy[from];
        shuffled.density[k] = original.density[from];
        shuffled.smoothing_length[k] = original.smoothing_length[from];
        shuffled.id[k] = from + 1;
    }
    restore_id_order(shuffled);
    EXPECT_TRUE(shuffled.id.empty());
    expect_same_particles(original, shuffled);
    expect_same_gas(original, shuffled);
}

TEST(FormatsGas, NonFiniteFieldsAndMismatchedLengthsAreRefused) {
    Scratch dir;
    ParticleSet s = gas_model(30, true);
    EXPECT_FALSE(find_nonfinite(s));
    s.density[7] = NAN;
    s.smoothing_length[3] = INFINITY;
    const auto bad = find_nonfinite(s);
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->index, 3u);  // the first particle, whichever field
    EXPECT_STREQ(bad->quantity, "smoothing length");
    const FormatError e = format_error_of([&] { write_snapshot(dir.path("g"), s, SnapshotFormat::gadget1); });
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(std::string(e.what()).find("particle 3 (0-based): smoothing length is not finite"), std::string::npos)
        << e.what();

    ParticleSet short_fields = gas_model(30, true);
    short_fields.density.pop_back();
    const FormatError m = format_error_of([&] { write_snapshot(dir.path("g"), short_fields, SnapshotFormat::hdf5); });
    EXPECT_EQ(m.status, 1);
    EXPECT_NE(std::string(m.what()).find("30 internal energies, 29 densities and 30 smoothing lengths for 30 particles"),
              std::string::npos)
        << m.what();
    EXPECT_FALSE(std::filesystem::exists(dir.path("g")));
}

TEST(FormatsGas, TextRefusesGasFieldsUnlessDropped) {
    Scratch dir;
    const ParticleSet s = gas_model(25);
    const FormatError e = format_error_of([&] { write_snapshot(dir.path("t.dat"), s, SnapshotFormat::text); });
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(std::string(e.what()).find("--drop-gas"), std::string::npos) << e.what();
    EXPECT_FALSE(std::filesystem::exists(dir.path("t.dat")));

    WriteOptions drop;
    drop.drop_gas = true;
    write_snapshot(dir.path("t.dat"), s, SnapshotFormat::text, drop);
    ParticleSet plain = s;
    plain.drop_gas_fields();
    write_snapshot(dir.path("plain.dat"), plain, SnapshotFormat::text);
    EXPECT_EQ(dir.read("t.dat"), dir.read("plain.dat"));
    expect_same_particles(s, read_snapshot(dir.path("t.dat")));
}

}  // namespace
}  // namespace galtk::test
