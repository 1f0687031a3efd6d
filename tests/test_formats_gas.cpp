// Gas fields of type-0 particles: kept index for index through reordering, checked for
// finite values and consistent lengths, refused by the text format unless dropped.
#include <gtest/gtest.h>

#include <hdf5.h>

#include <bit>
#include <cmath>
#include <cstring>

#include "binary_input.hpp"
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

namespace galtk::test {
namespace {

constexpr SnapshotFormat gas_formats[] = {SnapshotFormat::gadget1, SnapshotFormat::gadget2, SnapshotFormat::hdf5,
                                          SnapshotFormat::tipsy};

// Interleaved types (the files reorder them, the IDs restore the order) in the formats
// with IDs; tipsy has none and gets a model sorted by type.
TEST(FormatsGas, EveryBinaryFormatKeepsTheGasFields) {
    Scratch dir;
    for (SnapshotFormat f : gas_formats) {
        SCOPED_TRACE(format_name(f));
        const bool tipsy = f == SnapshotFormat::tipsy;
        const ParticleSet s = gas_model(600, tipsy);
        write_snapshot(dir.path("g"), s, f);
        const ParticleSet r = read_snapshot(dir.path("g"));
        if (tipsy) {
            // Masses, positions, velocities; types come back as tipsy's classes.
            ASSERT_EQ(r.size(), s.size());
            for (std::size_t i = 0; i < s.size(); ++i) {
                ASSERT_TRUE(same_bits(r.mass[i], s.mass[i])) << i;
                ASSERT_TRUE(same_bits(r.pos[i].z, s.pos[i].z)) << i;
                ASSERT_EQ(r.type[i] == 0, s.type[i] == 0) << i;
            }
        } else {
            expect_same_particles(s, r);
        }
        expect_same_gas(s, r, tipsy ? 1 : 0);
    }
}

TEST(FormatsGas, WithoutTypeZeroOrWithoutFieldsNoGasIsWritten) {
    Scratch dir;
    ParticleSet s = gas_model(60);
    // Every code mapped away from type 0: the fields have no particles to go with.
    WriteOptions away;
    std::string error;
    away.type_map = *parse_type_map("0=1,1=1,2=2,3=3,4=4,5=5", error);
    for (SnapshotFormat f : gas_formats) {
        SCOPED_TRACE(format_name(f));
        write_snapshot(dir.path("g"), s, f, away);
        EXPECT_FALSE(read_snapshot(dir.path("g")).has_gas_fields());
    }
    // Type-0 particles without gas fields: the files of before (no gas blocks).
    ParticleSet plain = s;
    plain.drop_gas_fields();
    for (SnapshotFormat f : gas_formats) {
        SCOPED_TRACE(format_name(f));
        write_snapshot(dir.path("g"), plain, f);
        EXPECT_FALSE(read_snapshot(dir.path("g")).has_gas_fields());
    }
}

}  // namespace
}  // namespace galtk::test

namespace galtk::test {
namespace {

// The records of a GADGET file as (label, payload offset, payload size); format 2 labels
// are checked against the order, format 1 records get the expected names.
struct Record {
    std::string label;
    std::size_t at, bytes;
};
std::vector<Record> gadget_records(const std::string& b, bool format2) {
    static const char* order[] = {"HEAD", "POS ", "VEL ", "ID  ", "MASS", "U   ", "RHO ", "HSML", "????"};
    std::vector<Record> out;
    std::size_t at = 0;
    for (int k = 0; at < b.size(); ++k) {
        std::string label = order[std::min(k, 8)];
        if (format2) {
            label = b.substr(at + 4, 4);
            at += 16;
        }
        std::uint32_t bytes, closing;
        std::memcpy(&bytes, b.data() + at, 4);
        std::memcpy(&closing, b.data() + at + 4 + bytes, 4);
        EXPECT_EQ(bytes, closing) << label;
        out.push_back({label, at + 4, bytes});
        at += 8 + bytes;
    }
    return out;
}

TEST(FormatsGas, GadgetBlocksFollowMassForTheGasOnly) {
    Scratch dir;
    const ParticleSet s = gas_model(90);  // interleaved types, per-particle masses
    std::size_t n_gas = 0;
    for (std::int32_t t : s.type) n_gas += t == 0;
    ASSERT_GT(n_gas, 0u);
    for (const bool format2 : {false, true}) {
        SCOPED_TRACE(format2 ? "format 2" : "format 1");
        write_snapshot(dir.path("g"), s, format2 ? SnapshotFormat::gadget2 : SnapshotFormat::gadget1);
        const std::string b = file_bytes(dir.path("g"));
        const auto records = gadget_records(b, format2);
        ASSERT_EQ(records.size(), 8u);
        const char* labels[] = {"HEAD", "POS ", "VEL ", "ID  ", "MASS", "U   ", "RHO ", "HSML"};
        for (std::size_t k = 0; k < 8; ++k) EXPECT_EQ(records[k].label, labels[k]);
        for (std::size_t k = 5; k < 8; ++k) EXPECT_EQ(records[k].bytes, 4 * n_gas) << records[k].label;
        // File order is type order: the j-th gas value is the j-th gas particle's.
        std::size_t j = 0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s.type[i] != 0) continue;
            float u, rho, h;
            std::memcpy(&u, b.data() + records[5].at + 4 * j, 4);
            std::memcpy(&rho, b.data() + records[6].at + 4 * j, 4);
            std::memcpy(&h, b.data() + records[7].at + 4 * j, 4);
            ASSERT_TRUE(same_bits(u, s.internal_energy[i]) && same_bits(rho, s.density[i]) &&
                        same_bits(h, s.smoothing_length[i]))
                << "gas particle " << j;
            ++j;
        }
    }
}

// Files of GADGET-2 itself: initial conditions end after U; snapshots go on after HSML
// with blocks of their own (POT here); a flag says U holds entropy.
TEST(FormatsGas, GadgetFilesWithFewerOrMoreGasBlocks) {
    Scratch dir;
    const ParticleSet s = gas_model(48, true);
    write_snapshot(dir.path("full"), s, SnapshotFormat::gadget1);
    const std::string full = file_bytes(dir.path("full"));
    const auto records = gadget_records(full, false);
    ASSERT_EQ(records.size(), 8u);

    // Up to U: density and smoothing length 0.
    put_bytes(dir.path("ic"), full.substr(0, records[5].at + records[5].bytes + 4));
    const ParticleSet ic = read_snapshot(dir.path("ic"));
    ASSERT_TRUE(ic.has_gas_fields());
    for (std::size_t i = 0; i < s.size(); ++i) {
        ASSERT_TRUE(same_bits(ic.internal_energy[i], s.internal_energy[i])) << i;
        ASSERT_EQ(ic.density[i], 0.0f);
        ASSERT_EQ(ic.smoothing_length[i], 0.0f);
    }

    // A potential for every particle after HSML: not read, not in the way.
    std::string pot = full;
    const std::uint32_t bytes = static_cast<std::uint32_t>(4 * s.size());
    pot.append(reinterpret_cast<const char*>(&bytes), 4).append(bytes, '\1').append(reinterpret_cast<const char*>(&bytes), 4);
    put_bytes(dir.path("pot"), pot);
    const ParticleSet p = read_snapshot(dir.path("pot"));
    expect_same_particles(s, p);
    expect_same_gas(s, p);

    // A truncated U is damage, not a missing block.
    put_bytes(dir.path("cut"), full.substr(0, records[5].at + 10));
    const FormatError cut = format_error_of([&] { read_snapshot(dir.path("cut")); });
    EXPECT_EQ(cut.status, 2);
    EXPECT_NE(std::string(cut.what()).find("block U"), std::string::npos) << cut.what();

    std::string entropy = full;
    const std::int32_t one = 1;
    std::memcpy(entropy.data() + 4 + 192, &one, 4);
    put_bytes(dir.path("entropy"), entropy);
    const FormatError e = format_error_of([&] { read_snapshot(dir.path("entropy")); });
    EXPECT_NE(std::string(e.what()).find("flag_entropy_instead_u"), std::string::npos) << e.what();
}

// The temperature in kelvin: 10^4 K is u = k_B T / ((2/3) mu m_p) = 210.487 (km/s)^2 for the
// ionised primordial gas (mu = 4/6.8).
TEST(FormatsGas, TipsyTemperatureFromTheInternalEnergyAndTheUnits) {
    Scratch dir;
    ParticleSet s;
    s.resize(3);
    s.type = {0, 1, 0};
    s.mass = {1.0f, 2.0f, 3.0f};
    s.add_gas_fields();
    s.internal_energy = {210.487f, 0.0f, 21048.7f};
    s.density = {0.5f, 0.0f, 0.25f};
    s.smoothing_length = {0.125f, 0.0f, 2.0f};
    auto gas_word = [](const std::string& b, std::size_t particle, std::size_t word) {
        std::uint32_t v;
        std::memcpy(&v, b.data() + 32 + 48 * particle + 4 * word, 4);
        return std::bit_cast<float>(byte_swapped(v));
    };
    write_snapshot(dir.path("t"), s, SnapshotFormat::tipsy);  // no units: km/s
    std::string b = file_bytes(dir.path("t"));
    ASSERT_EQ(b.size(), 32u + 2 * 48 + 36);
    EXPECT_NEAR(gas_word(b, 0, 8), 1.0e4, 0.1);
    EXPECT_NEAR(gas_word(b, 1, 8), 1.0e6, 10.0);
    EXPECT_EQ(gas_word(b, 1, 0), 3.0f);  // the gas block first: particle 2 of the model
    EXPECT_EQ(gas_word(b, 1, 7), 0.25f);
    EXPECT_EQ(gas_word(b, 1, 9), 2.0f);

    // 10 km/s as the velocity unit: u = 2.10487 of it is the same gas.
    WriteOptions ten;
    ten.units = swift_units(ModelUnits{3.085678e21, 1.989e43, 1.0e6});
    s.internal_energy = {2.10487f, 0.0f, 210.487f};
    write_snapshot(dir.path("t10"), s, SnapshotFormat::tipsy, ten);
    b = file_bytes(dir.path("t10"));
    EXPECT_NEAR(gas_word(b, 0, 8), 1.0e4, 0.1);
    // Read in those units, u comes back; read as km/s, 100 times as much.
    ReadOptions in_ten;
    in_ten.units = model_units(*ten.units);
    EXPECT_NEAR(read_snapshot(dir.path("t10"), in_ten).internal_energy[0], 2.10487f, 1e-6f);
    EXPECT_NEAR(read_snapshot(dir.path("t10")).internal_energy[0], 210.487f, 1e-4f);
}

}  // namespace
}  // namespace galtk::test

namespace galtk::test {
namespace {

// PartType0's datasets as SWIFT and GADGET-4 read them, and the model's units as SWIFT's
// Units group (kept by a read and a second write).
TEST(FormatsGas, Hdf5GasDatasetsAndUnits) {
    Scratch dir;
    ParticleSet s = gas_model(70);
    s.units = galactic_units();
    write_snapshot(dir.path("g.hdf5"), s, SnapshotFormat::hdf5);
    {
        const hid_t f = H5Fopen(dir.path("g.hdf5").c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
        ASSERT_GE(f, 0);
        std::size_t n_gas = 0;
        for (std::int32_t t : s.type) n_gas += t == 0;
        for (const char* name : {"PartType0/InternalEnergy", "PartType0/Density", "PartType0/SmoothingLength"}) {
            const hid_t d = H5Dopen2(f, name, H5P_DEFAULT);
            ASSERT_GE(d, 0) << name;
            const hid_t type = H5Dget_type(d), space = H5Dget_space(d);
            EXPECT_TRUE(H5Tequal(type, H5T_IEEE_F32LE) > 0) << name;
            hsize_t dims[2] = {};
            EXPECT_EQ(H5Sget_simple_extent_ndims(space), 1) << name;
            H5Sget_simple_extent_dims(space, dims, nullptr);
            EXPECT_EQ(dims[0], n_gas) << name;
            H5Sclose(space);
            H5Tclose(type);
            H5Dclose(d);
        }
        EXPECT_EQ(H5Lexists(f, "PartType1/InternalEnergy", H5P_DEFAULT), 0);
        const hid_t units = H5Gopen2(f, "Units", H5P_DEFAULT);
        ASSERT_GE(units, 0);
        double length = 0, time = 0;
        const hid_t a = H5Aopen(units, "Unit length in cgs (U_L)", H5P_DEFAULT), t = H5Aopen(units, "Unit time in cgs (U_t)", H5P_DEFAULT);
        H5Aread(a, H5T_NATIVE_DOUBLE, &length);
        H5Aread(t, H5T_NATIVE_DOUBLE, &time);
        EXPECT_DOUBLE_EQ(length, 3.085678e21);
        EXPECT_DOUBLE_EQ(length / time, 1.0e5);  // km/s
        H5Aclose(a);
        H5Aclose(t);
        H5Gclose(units);
        H5Fclose(f);
    }
    const ParticleSet r = read_snapshot(dir.path("g.hdf5"));
    expect_same_particles(s, r);
    expect_same_gas(s, r);
    ASSERT_TRUE(r.units);
    EXPECT_DOUBLE_EQ(r.units->velocity_cgs, 1.0e5);
    EXPECT_DOUBLE_EQ(r.units->mass_cgs, 1.989e43);
    // Without units, no group: the values would be taken for SWIFT's internal units.
    s.units.reset();
    write_snapshot(dir.path("n.hdf5"), s, SnapshotFormat::hdf5);
    EXPECT_FALSE(read_snapshot(dir.path("n.hdf5")).units);
}

}  // namespace
}  // namespace galtk::test
