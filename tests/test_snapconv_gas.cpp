// snapconv with gas: every binary format to every other keeps the gas fields, text
// output needs --drop-gas, tipsy temperatures follow --units.
#include <gtest/gtest.h>

#include "gas_fixture.hpp"
#include "snapshot_io.hpp"

namespace galtk::test {
namespace {

const char* const binary_names[] = {"gadget1", "gadget2", "hdf5", "tipsy"};

TEST(SnapconvGas, EveryBinaryPairPassesTheGasFieldsThrough) {
    Scratch dir;
    // Sorted by type: tipsy keeps no IDs, so the gas must come first already.
    const ParticleSet s = gas_model(300, true);
    std::size_t n_gas = 0;
    for (std::int32_t t : s.type) n_gas += t == 0;
    for (const char* from : binary_names) {
        write_snapshot(dir.path(std::string("in.") + from), s, *parse_format_name(from));
        for (const char* to : binary_names) {
            SCOPED_TRACE(std::string(from) + " -> " + to);
            const RunResult r = dir.run("snapconv", {}, {std::string("in.") + from, "out", "--to", to});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_NE(r.out.find(", " + std::to_string(n_gas) + " gas particles with u, density and h\n"),
                      std::string::npos)
                << r.out;
            const ParticleSet back = read_snapshot(dir.path("out"));
            ASSERT_EQ(back.size(), s.size());
            // tipsy holds the temperature: u within a unit in the last place each way.
            const bool tipsy = std::string(from) == "tipsy" || std::string(to) == "tipsy";
            expect_same_gas(s, back, tipsy ? 2 : 0);
        }
    }
}

TEST(SnapconvGas, TextOutputRefusesGasUnlessDropped) {
    Scratch dir;
    write_snapshot(dir.path("g.hdf5"), gas_model(80), SnapshotFormat::hdf5);
    const RunResult r = dir.run("snapconv", {}, {"g.hdf5", "t.dat", "--to", "text"});
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(r.err_lines().size(), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("snapconv: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("--drop-gas"), std::string::npos) << r.err;
    EXPECT_FALSE(dir.exists("t.dat"));

    const RunResult d = dir.run("snapconv", {}, {"g.hdf5", "t.dat", "--to", "text", "--drop-gas"});
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_NE(d.out.find("left out (--drop-gas)"), std::string::npos) << d.out;
    EXPECT_EQ(read_snapshot(dir.path("t.dat")).size(), 80u);
    // Into a binary format, --drop-gas leaves a model without gas fields.
    ASSERT_EQ(dir.run("snapconv", {}, {"g.hdf5", "n.hdf5", "--drop-gas"}).status, 0);
    EXPECT_FALSE(read_snapshot(dir.path("n.hdf5")).has_gas_fields());
}

TEST(SnapconvGas, UnitsSetTipsyTemperaturesAndTheHdf5UnitsGroup) {
    Scratch dir;
    ParticleSet s = gas_model(40, true);
    write_snapshot(dir.path("g.hdf5"), s, SnapshotFormat::hdf5);
    // Velocity unit 10 km/s (UL / Ut = 1e6 cm/s): the same u is 100 times hotter.
    const std::string ten = "3.085678e21,1.989e43,3.085678e15";
    ASSERT_EQ(dir.run("snapconv", {}, {"g.hdf5", "kms.tipsy", "--to", "tipsy"}).status, 0);
    ASSERT_EQ(dir.run("snapconv", {}, {"g.hdf5", "ten.tipsy", "--to", "tipsy", "--units", ten}).status, 0);
    const ParticleSet kms = read_snapshot(dir.path("kms.tipsy"));
    const ParticleSet hot = read_snapshot(dir.path("ten.tipsy"));
    for (std::size_t i = 0; i < s.size(); ++i)
        ASSERT_NEAR(hot.internal_energy[i], 100.0f * kms.internal_energy[i], 2e-6f * hot.internal_energy[i]) << i;
    // Read back in the same units, u is what it was; the HDF5 output carries them.
    const RunResult r = dir.run("snapconv", {}, {"ten.tipsy", "back.hdf5", "--units", ten});
    ASSERT_EQ(r.status, 0) << r.err;
    const ParticleSet back = read_snapshot(dir.path("back.hdf5"));
    expect_same_gas(s, back, 2);
    ASSERT_TRUE(back.units);
    EXPECT_NEAR(back.units->velocity_cgs, 1.0e6, 1e-6);

    const RunResult refused = dir.run("snapconv", {}, {"g.hdf5", "g.gadget", "--to", "gadget1", "--units", "galactic"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--units applies to tipsy input, tipsy output and HDF5 output only"), std::string::npos)
        << refused.err;
}

// SWIFT needs a smoothing length above 0 for its gas; the stars beside the gas hold 0 there
// (no writer stores it) and must not stop the conversion.
TEST(SnapconvGas, SwiftTakesGasBesideStarsAndRefusesGasWithoutSmoothingLength) {
    Scratch dir;
    ParticleSet s = gas_model(60, true);
    s.units = galactic_units();
    write_snapshot(dir.path("g.hdf5"), s, SnapshotFormat::hdf5);
    RunResult r = dir.run("snapconv", {}, {"g.hdf5", "swift.hdf5", "--code", "swift"});
    ASSERT_EQ(r.status, 0) << r.err;
    const ParticleSet back = read_snapshot(dir.path("swift.hdf5"));
    std::size_t gas = 0;
    for (std::size_t i = 0; i < back.size(); ++i) {
        if (back.type[i] != 0) continue;
        ++gas;
        EXPECT_GT(back.smoothing_length[i], 0.0f) << i;
    }
    EXPECT_EQ(gas, 10u);

    // One gas particle with h = 0: refused, nothing written.
    for (std::size_t i = s.size(); i-- > 0;) {
        if (s.type[i] != 0) continue;
        s.smoothing_length[i] = 0.0f;  // the last gas particle
        break;
    }
    write_snapshot(dir.path("flat.hdf5"), s, SnapshotFormat::hdf5);
    r = dir.run("snapconv", {}, {"flat.hdf5", "flat_swift.hdf5", "--code", "swift"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "snapconv: flat.hdf5: --code swift: gas particles without a smoothing length above 0 (SWIFT "
                     "refuses an IC without SmoothingLength)\n");
    EXPECT_FALSE(dir.exists("flat_swift.hdf5"));
}

}  // namespace
}  // namespace galtk::test
