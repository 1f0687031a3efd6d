// snapmap --types end to end: a model whose gas (type 0) and stars (types 2 and 3) sit in
// different places, in every binary format; the gas map holds exactly the gas's mass in the
// cells where the gas is, and nothing of the stars.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "formats_fixture.hpp"
#include "selection.hpp"

namespace galtk::test {
namespace {

constexpr int nmesh = 8;       // over [-4, 4)^2: cells of side 1
constexpr float gas_mass = 0.125f;
constexpr float star_mass = 0.5f;

// Gas in the quadrant x > 0, y > 0 (nine particles over three cells, off the cell edges),
// disk stars (type 2) at x < 0, bulge (type 3) at y < 0, all inside the map; gas fields on
// the gas only. Masses are powers of two, so every sum is exact.
ParticleSet gas_and_stars() {
    ParticleSet s;
    const std::vector<std::array<float, 3>> gas = {{0.2f, 0.3f, 0.1f},  {0.7f, 0.6f, -0.1f}, {0.5f, 0.5f, 0.0f},
                                                   {1.4f, 0.2f, 0.05f}, {1.6f, 0.8f, 0.0f},  {2.5f, 2.5f, 0.2f},
                                                   {2.1f, 2.9f, -0.2f}, {2.9f, 2.1f, 0.0f},  {2.4f, 2.6f, 0.1f}};
    const std::vector<std::array<float, 3>> disk = {{-1.5f, 0.5f, 0.0f}, {-2.5f, 1.5f, 0.1f}, {-3.5f, 0.2f, 0.0f}};
    const std::vector<std::array<float, 3>> bulge = {{0.5f, -0.5f, 0.3f}, {-0.5f, -1.5f, -0.3f}};
    auto add = [&s](const std::vector<std::array<float, 3>>& where, std::int32_t type, float mass) {
        for (const auto& p : where) {
            s.pos.push_back({p[0], p[1], p[2]});
            s.vel.push_back({-p[1], p[0], 0.0f});
            s.mass.push_back(mass);
            s.type.push_back(type);
        }
    };
    add(disk, 2, star_mass);  // not gas first: the binary writers sort by type
    add(gas, 0, gas_mass);
    add(bulge, 3, star_mass);
    s.add_gas_fields();
    for (std::size_t k = 0; k < s.size(); ++k) {
        if (s.type[k] != 0) continue;
        s.internal_energy[k] = 210.5f;
        s.density[k] = 0.01f;
        s.smoothing_length[k] = 0.3f;
    }
    s.units = galactic_units();
    return s;
}

// Mass per cell (i, j) of the face-on map with nearest grid point, summed directly.
std::map<std::pair<int, int>, double> mass_per_cell(const ParticleSet& s, std::int32_t type) {
    std::map<std::pair<int, int>, double> cells;
    for (std::size_t k = 0; k < s.size(); ++k)
        if (s.type[k] == type)
            cells[{static_cast<int>(std::floor(s.pos[k].x + 4.0f)), static_cast<int>(std::floor(s.pos[k].y + 4.0f))}] +=
                s.mass[k];
    return cells;
}

// The face-on map's cell masses (density x cell area 1) read from a map file.
std::map<std::pair<int, int>, double> map_cells(const Scratch& s, const std::string& file) {
    std::map<std::pair<int, int>, double> cells;
    const std::vector<std::string> lines = s.lines(file);
    EXPECT_EQ(lines.size(), std::size_t(nmesh * nmesh)) << file;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const float v = as_real(tokens(lines[k]).at(0));
        if (v != 0.0f) cells[{int(k % nmesh), int(k / nmesh)}] = v;
    }
    return cells;
}

std::vector<std::string> face_on(const std::string& input, const std::string& output) {
    return {input, "--view", "0:0", "--nmesh", std::to_string(nmesh), "--extent", "4", "--assign", "ngp", "--output", output};
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(SnapmapTypes, GasMapHoldsTheGasWhereItIsInEveryFormat) {
    Scratch s;
    const ParticleSet model = gas_and_stars();
    const auto gas_cells = mass_per_cell(model, 0);
    ASSERT_EQ(gas_cells.size(), 3u);
    for (const char* fmt : {"gadget1", "gadget2", "hdf5", "tipsy"}) {
        SCOPED_TRACE(fmt);
        const std::string input = std::string("model.") + fmt;
        write_snapshot(s.path(input), model, *parse_format_name(fmt));
        const RunResult r = s.run("snapmap", {}, with(face_on(input, "gas.map"), {"--types", "0"}));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(map_cells(s, "gas.map"), gas_cells);
        EXPECT_NE(r.out.find(input + ": 14 particles; mapped type 0: 9 particles, mass 1.125;"), std::string::npos) << r.out;
        // The same maps from every format, bit for bit.
        if (std::string(fmt) == "gadget1") {
            s.write("first.map", s.read("gas.map"));
        } else {
            EXPECT_EQ(s.read("gas.map"), s.read("first.map"));
        }
    }
}

TEST(SnapmapTypes, StarsWithoutGasAndEveryTypeAsWithoutSelection) {
    Scratch s;
    const ParticleSet model = gas_and_stars();
    write_snapshot(s.path("model.hdf5"), model, SnapshotFormat::hdf5);
    RunResult r = s.run("snapmap", {}, with(face_on("model.hdf5", "stars.map"), {"--types", "3,2"}));
    ASSERT_EQ(r.status, 0) << r.err;
    auto expected = mass_per_cell(model, 2);
    for (const auto& [cell, m] : mass_per_cell(model, 3)) expected[cell] += m;
    EXPECT_EQ(map_cells(s, "stars.map"), expected);
    EXPECT_NE(r.out.find("; mapped types 2,3: 5 particles, mass 2.5;"), std::string::npos) << r.out;

    // Every type the model has, listed: the same map file as no selection, and the summary
    // without a selection says nothing of types.
    r = s.run("snapmap", {}, with(face_on("model.hdf5", "all_listed.map"), {"--types", "0,2,3", "--kind", "velocity"}));
    ASSERT_EQ(r.status, 0) << r.err;
    r = s.run("snapmap", {}, with(face_on("model.hdf5", "all.map"), {"--kind", "velocity"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(s.read("all_listed.map"), s.read("all.map"));
    EXPECT_EQ(r.out.find("mapped"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("model.hdf5: 14 particles, mass 3.625;"), std::string::npos) << r.out;
}

TEST(SnapmapTypes, DefaultExtentFollowsTheSelectedParticles) {
    Scratch s;
    ParticleSet model = gas_and_stars();
    for (std::size_t k = 0; k < model.size(); ++k)  // the stars far out, the gas within r < 4
        if (model.type[k] != 0) model.pos[k] = {40.0f, 0.0f, 0.0f};
    write_snapshot(s.path("model.g2"), model, SnapshotFormat::gadget2);
    RunResult r = s.run("snapmap", {}, {"model.g2", "--types", "0", "--view", "0:0", "--nmesh", "4", "--output", "g.map"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The farthest gas particle is at r = sqrt(2.1^2 + 2.9^2 + 0.2^2) = 3.586: extent 3.6.
    EXPECT_NE(r.out.find("over [-3.6, 3.6)^2"), std::string::npos) << r.out;
    r = s.run("snapmap", {}, {"model.g2", "--view", "0:0", "--nmesh", "4", "--output", "all.map"});
    EXPECT_NE(r.out.find("over [-41, 41)^2"), std::string::npos) << r.out;
}

TEST(SnapmapTypes, RefusedSelectionsLeaveTheEarlierMap) {
    Scratch s;
    write_snapshot(s.path("model.hdf5"), gas_and_stars(), SnapshotFormat::hdf5);
    s.write("gas.map", "earlier\n");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"-1", "--types: Value -1: \"-1\" is not a type code"},
        {"gas", "--types: Value gas: \"gas\" is not a type code"},
        {"0,,2", "--types: Value 0,,2: \"\" is not a type code"},
        {"2,", "\"\" is not a type code"},
        {"2147483648", "\"2147483648\" is not a type code"},
        {"1.5", "\"1.5\" is not a type code"},
        {"5,1", "--types 1,5: no particle of the model has these type codes; its codes are 0,2,3"},
        {"4", "--types 4: no particle of the model has this type code; its codes are 0,2,3"},
    };
    for (const auto& [value, message] : refused) {
        const RunResult r = s.run("snapmap", {}, with(face_on("model.hdf5", "gas.map"), {"--types", value}));
        EXPECT_EQ(r.status, 1) << value;
        ASSERT_EQ(r.err_lines().size(), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("snapmap: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(s.read("gas.map"), "earlier\n");
    }
}

// A damaged particle is named by its place in the file, whichever types are mapped.
TEST(SnapmapTypes, BadMassIsNamedByItsPlaceInTheFile) {
    Scratch s;
    ParticleSet model = gas_and_stars();
    model.mass[12] = -1.0f;  // the first bulge particle: the 13th in a text file's order
    model.drop_gas_fields();
    write_snapshot(s.path("model.dat"), model, SnapshotFormat::text);
    const RunResult r = s.run("snapmap", {}, with(face_on("model.dat", "m.map"), {"--types", "3"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("model.dat: particle 13: mass -1, expected a finite mass of 0 or more"), std::string::npos)
        << r.err;
}

TEST(SnapmapTypes, SelectionKeepsFileOrderAndHeader) {
    ParticleSet model = gas_and_stars();
    const ParticleSet before = model;
    const ParticleSet kept = snapmap::select_types(std::move(model), {0, 3});
    ASSERT_EQ(kept.size(), 11u);
    std::size_t j = 0;
    for (std::size_t k = 0; k < before.size(); ++k) {
        if (before.type[k] == 2) continue;
        EXPECT_TRUE(same_bits(kept.pos[j].x, before.pos[k].x) && same_bits(kept.vel[j].y, before.vel[k].y)) << k;
        EXPECT_EQ(kept.type[j], before.type[k]);
        EXPECT_EQ(kept.mass[j], before.mass[k]);
        ++j;
    }
    ASSERT_TRUE(kept.units.has_value());
    EXPECT_EQ(kept.units->length_cgs, galactic_units().length_cgs);
    std::string error;
    EXPECT_EQ(snapmap::parse_type_codes("3,0,3,+2", error), (std::vector<std::int32_t>{0, 2, 3}));
    EXPECT_EQ(snapmap::parse_type_codes("2147483647", error), (std::vector<std::int32_t>{2147483647}));
}

}  // namespace
}  // namespace galtk::test
