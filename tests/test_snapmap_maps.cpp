// snapmap's maps computed in memory: mass kept by both assignments, the four cloud-in-cell
// weights, the view convention, the signs of a rotating disk's velocity field, the
// mass-weighted moments, the default extent and the checks of the command-line values.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <cstdint>
#include <random>
#include <utility>
#include <algorithm>
#include <vector>

#include "binning.hpp"
#include "extent.hpp"
#include "options.hpp"
#include "snapshot_io.hpp"
#include "summary.hpp"
#include "view.hpp"

namespace snapmap {
namespace {

galtk::ParticleSet particles(const std::vector<galtk::Vec3>& pos, const std::vector<float>& mass,
                             const std::vector<galtk::Vec3>& vel = {}) {
    galtk::ParticleSet s;
    s.resize(pos.size());
    for (std::size_t k = 0; k < pos.size(); ++k) {
        s.pos[k] = pos[k];
        s.mass[k] = mass[k];
        if (!vel.empty()) s.vel[k] = vel[k];
    }
    return s;
}

Grid grid_of(std::int32_t nmesh, float extent) {
    Grid g;
    g.nmesh = nmesh;
    g.extent = extent;
    return g;
}

double cell(const Maps& maps, std::size_t view, int i, int j) {
    return maps.map(view)[std::size_t(j) * std::size_t(maps.grid.nmesh) + std::size_t(i)];
}

TEST(SnapmapMaps, MapSumTimesCellAreaIsTheMassInsideTheExtent) {
    std::mt19937 gen(12345);
    std::normal_distribution<float> spread(0.0f, 3.0f);
    std::uniform_real_distribution<float> mass(0.5f, 2.0f);
    std::vector<galtk::Vec3> pos;
    std::vector<float> m;
    for (int k = 0; k < 250000; ++k) {  // enough for the two-share path
        pos.push_back({spread(gen), spread(gen), 0.3f * spread(gen)});
        m.push_back(mass(gen));
    }
    // Particles exactly on the lower edges (inside) and the upper edges (outside).
    pos.push_back({-8.0f, 0.0f, 0.0f});
    pos.push_back({8.0f, 0.0f, 0.0f});
    pos.push_back({0.0f, -8.0f, 7.99f});
    m.insert(m.end(), {1.0f, 1.0f, 1.0f});
    const galtk::ParticleSet model = particles(pos, m);
    const std::vector<View> views = {{0, 0}, {90, 90}, {90, 0}, {63, -21.5}};
    for (const Assignment a : {Assignment::cic, Assignment::ngp}) {
        const Maps maps = make_maps(model, views, grid_of(64, 8.0f), a, Quantity::density);
        const double area = maps.grid.cell_side() * maps.grid.cell_side();
        for (std::size_t v = 0; v < views.size(); ++v) {
            const Basis b = basis_of(views[v]);
            double expected = 0.0;
            std::size_t inside = 0;
            for (std::size_t k = 0; k < model.size(); ++k) {
                const galtk::Vec3& p = model.pos[k];
                const double u = b.u[0] * p.x + b.u[1] * p.y + b.u[2] * p.z;
                const double w = b.v[0] * p.x + b.v[1] * p.y + b.v[2] * p.z;
                if (u >= -8.0 && u < 8.0 && w >= -8.0 && w < 8.0) {
                    expected += model.mass[k];
                    ++inside;
                }
            }
            double sum = 0.0;
            for (const float value : maps.map(v)) sum += value;
            EXPECT_NEAR(sum * area, expected, expected * 1e-6) << "view " << v;
            EXPECT_EQ(maps.tally[v].inside, inside) << "view " << v;
            EXPECT_EQ(maps.tally[v].inside + maps.tally[v].outside, model.size());
            EXPECT_GT(maps.tally[v].outside, 2u);
        }
    }
}

TEST(SnapmapMaps, OneParticleSpreadsOverFourCellsWithBilinearWeights) {
    // L = 4, nmesh 8: cells of side 1, centres at -3.5 .. 3.5. The particle at
    // (0.25, -1.75) lies 0.75 beyond the centres of cells i = 3 and j = 1.
    const galtk::ParticleSet model = particles({{0.25f, -1.75f, 5.0f}}, {2.0f});
    const Maps maps = make_maps(model, {{0, 0}}, grid_of(8, 4.0f), Assignment::cic, Quantity::density);
    const double expect[2][2] = {{0.25 * 0.25, 0.75 * 0.25}, {0.25 * 0.75, 0.75 * 0.75}};  // [dj][di]
    for (int j = 0; j < 8; ++j) {
        for (int i = 0; i < 8; ++i) {
            const bool in_cloud = (i == 3 || i == 4) && (j == 1 || j == 2);
            const double want = in_cloud ? 2.0 * expect[j - 1][i - 3] : 0.0;
            EXPECT_EQ(cell(maps, 0, i, j), want) << i << "," << j;
        }
    }
}

TEST(SnapmapMaps, CloudBeyondTheEdgeStaysInTheEdgeCells) {
    // Within half a cell of the corner (-4, -4): the whole mass stays in cell (0, 0); on
    // the right edge the outer half of the cloud stays in column 7.
    const galtk::ParticleSet model = particles({{-3.9f, -4.0f, 0.0f}, {3.75f, 0.5f, 0.0f}}, {1.0f, 1.0f});
    const Maps maps = make_maps(model, {{0, 0}}, grid_of(8, 4.0f), Assignment::cic, Quantity::density);
    EXPECT_EQ(cell(maps, 0, 0, 0), 1.0);
    EXPECT_EQ(cell(maps, 0, 7, 4), 1.0);
    EXPECT_EQ(maps.tally[0].outside, 0u);
}

TEST(SnapmapMaps, NearestGridPointTakesTheCellUnderTheParticle) {
    const galtk::ParticleSet model =
        particles({{-4.0f, -4.0f, 0.0f}, {3.999f, 0.5f, 0.0f}, {4.0f, 0.0f, 0.0f}, {0.0f, 4.0f, 0.0f}, {0.99f, -0.01f, 0.0f}},
                  {1.0f, 2.0f, 4.0f, 8.0f, 16.0f});
    const Maps maps = make_maps(model, {{0, 0}}, grid_of(8, 4.0f), Assignment::ngp, Quantity::density);
    EXPECT_EQ(cell(maps, 0, 0, 0), 1.0);
    EXPECT_EQ(cell(maps, 0, 7, 4), 2.0);
    EXPECT_EQ(cell(maps, 0, 4, 3), 16.0);
    EXPECT_EQ(maps.tally[0].outside, 2u);  // u = L and v = L lie outside [-L, L)
    EXPECT_EQ(maps.tally[0].mass_outside, 12.0);
}

TEST(SnapmapMaps, ViewsPutAParticleWhereTheConventionSays) {
    // The particle at (1, 2, 3) with cells of side 1 over [-4, 4): the cell of (u, v) is
    // (u + 4, v + 4) rounded down.
    const galtk::ParticleSet model = particles({{1.25f, 2.25f, 3.25f}}, {1.0f});
    const std::vector<View> views = {{0, 0}, {90, 0}, {90, 90}, {180, 0}, {0, 90}, {90, 180}};
    const int want[][2] = {{5, 6}, {5, 7}, {6, 7}, {5, 1}, {6, 2}, {2, 7}};
    const Maps maps = make_maps(model, views, grid_of(8, 4.0f), Assignment::ngp, Quantity::density);
    for (std::size_t v = 0; v < views.size(); ++v)
        EXPECT_EQ(cell(maps, v, want[v][0], want[v][1]), 1.0) << view_text(views[v]);
    // Any view: (e_u, e_v, -los) is orthonormal and right-handed.
    const Basis b = basis_of({37.0, 211.0});
    const double* n = b.los;
    const double cross[3] = {b.u[1] * b.v[2] - b.u[2] * b.v[1], b.u[2] * b.v[0] - b.u[0] * b.v[2],
                             b.u[0] * b.v[1] - b.u[1] * b.v[0]};
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(cross[k], -n[k], 1e-15);
}

TEST(SnapmapMaps, RotatingRingRecedesOnTheRightAndApproachesOnTheLeft) {
    // A ring of radius 2 turning counter-clockwise seen from +z at speed 1.
    std::vector<galtk::Vec3> pos, vel;
    std::vector<float> m;
    for (int k = 0; k < 3600; ++k) {
        const double phi = 2.0 * M_PI * (k + 0.5) / 3600;
        pos.push_back({float(2 * std::cos(phi)), float(2 * std::sin(phi)), 0.0f});
        vel.push_back({float(-std::sin(phi)), float(std::cos(phi)), 0.0f});
        m.push_back(1.0f);
    }
    const galtk::ParticleSet model = particles(pos, m, vel);
    const std::vector<View> views = {{90, 0}, {90, 90}, {30, 0}, {150, 45}, {0, 0}};
    const Maps maps = make_maps(model, views, grid_of(16, 4.0f), Assignment::cic, Quantity::mean_velocity);
    for (std::size_t v = 0; v < views.size(); ++v) {
        double si = 0, ci = 0;
        sin_cos_degrees(views[v].inclination, si, ci);
        double left = 0, right = 0;
        for (int j = 0; j < 16; ++j) {
            for (int i = 0; i < 16; ++i) {
                const double value = cell(maps, v, i, j);
                if (i < 8) {
                    left = std::min(left, value);
                    EXPECT_LE(value, 0.0) << view_text(views[v]) << " cell " << i << "," << j;
                } else {
                    right = std::max(right, value);
                    EXPECT_GE(value, 0.0) << view_text(views[v]) << " cell " << i << "," << j;
                }
            }
        }
        // The tangent points show nearly the whole projected speed sin i.
        EXPECT_NEAR(right, si, 0.05 * si + 1e-12) << view_text(views[v]);
        EXPECT_NEAR(left, -si, 0.05 * si + 1e-12) << view_text(views[v]);
    }
}

TEST(SnapmapMaps, DispersionAndMeanAreMassWeightedAndEmptyCellsHoldZero) {
    // Seen face-on from +z the line-of-sight velocity is -vz.
    const galtk::ParticleSet model =
        particles({{0.5f, 0.5f, 0.0f}, {0.6f, 0.7f, 1.0f}}, {1.0f, 3.0f}, {{5.0f, 0.0f, 0.0f}, {0.0f, 1.0f, -4.0f}});
    const Maps mean = make_maps(model, {{0, 0}}, grid_of(4, 2.0f), Assignment::ngp, Quantity::mean_velocity);
    const Maps disp = make_maps(model, {{0, 0}}, grid_of(4, 2.0f), Assignment::ngp, Quantity::dispersion);
    EXPECT_EQ(cell(mean, 0, 2, 2), 3.0f);  // (1 * 0 + 3 * 4) / 4
    EXPECT_NEAR(cell(disp, 0, 2, 2), std::sqrt(3.0), 1e-6);  // (3 * 16) / 4 - 3^2
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            if (i != 2 || j != 2) {
                EXPECT_EQ(cell(mean, 0, i, j), 0.0);
                EXPECT_EQ(cell(disp, 0, i, j), 0.0);
            }
}

TEST(SnapmapMaps, DefaultExtentIsThe99PercentRadiusRoundedUpToTwoDigits) {
    std::vector<galtk::Vec3> pos;
    std::vector<float> m;
    for (int r = 1; r <= 100; ++r) {
        pos.push_back({0.0f, 0.0f, float(-r)});
        m.push_back(1.0f);
    }
    const galtk::ParticleSet model = particles(pos, m);
    EXPECT_EQ(mass_radius(model, 0.99), 99.0);
    EXPECT_EQ(default_extent(model), 100.0f);  // strictly above: the particle at 99 is inside
    galtk::ParticleSet nearer = model;
    nearer.pos[98].z = -98.2f;
    EXPECT_EQ(default_extent(nearer), 99.0f);
    EXPECT_EQ(mass_radius(model, 0.5), 50.0);
    // Mass, not particle count, decides: the last particle carries half of the mass.
    galtk::ParticleSet heavy = model;
    heavy.mass.back() = 99.0f;
    EXPECT_EQ(mass_radius(heavy, 0.99), 100.0);
    EXPECT_EQ(mass_radius(heavy, 0.5), 99.0);

    // A large model (histogram passes before the sort) against a full sort; and a
    // crowd of particles at one distance.
    std::mt19937 gen(99);
    std::exponential_distribution<float> radius(0.3f);
    std::uniform_real_distribution<float> mass(0.1f, 1.0f);
    galtk::ParticleSet big;
    big.resize(300000);
    std::vector<std::pair<double, float>> sorted;
    for (std::size_t k = 0; k < big.size(); ++k) {
        big.pos[k] = {radius(gen), -radius(gen), 0.5f * radius(gen)};
        big.mass[k] = mass(gen);
        const galtk::Vec3& p = big.pos[k];
        sorted.emplace_back(std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z), big.mass[k]);
    }
    std::sort(sorted.begin(), sorted.end());
    double total = 0.0, running = 0.0, want = 0.0;
    for (const auto& e : sorted) total += e.second;
    for (const auto& e : sorted) {
        running += e.second;
        if (running >= 0.99 * total) {
            want = e.first;
            break;
        }
    }
    EXPECT_DOUBLE_EQ(mass_radius(big, 0.99), want);
    for (std::size_t k = 0; k < 10000; ++k) big.pos[k] = {3.0f, 4.0f, 0.0f};
    for (std::size_t k = 10000; k < big.size(); ++k) big.pos[k] = {0.1f, 0.0f, 0.0f};
    EXPECT_DOUBLE_EQ(mass_radius(big, 0.99), 5.0);

    EXPECT_EQ(round_up_two_digits(15.23), 16.0);
    EXPECT_EQ(round_up_two_digits(16.0), 16.0);
    EXPECT_EQ(round_up_two_digits(99.1), 100.0);
    EXPECT_NEAR(round_up_two_digits(0.0734), 0.074, 1e-15);
    EXPECT_EQ(round_up_two_digits(1234.0), 1300.0);
    EXPECT_EQ(round_up_two_digits(0.0), 0.0);

    EXPECT_EQ(default_extent(particles({{0, 0, 0}, {0, 0, 0}}, {1.0f, 1.0f})), 0.0f);
    EXPECT_EQ(default_extent(particles({{1, 0, 0}}, {0.0f})), 0.0f);
    EXPECT_EQ(default_extent(galtk::ParticleSet{}), 0.0f);
}

int status_of(const auto& call) {
    try {
        call();
    } catch (const galtk::FormatError& e) {
        EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
        return e.status;
    }
    return 0;
}

// The summary names the model's units where it knows them, for the figures' axes.
TEST(SnapmapMaps, SummaryNamesTheModelsUnits) {
    EXPECT_EQ(units_text(galtk::galactic_units()), "length kpc, mass 1e10 Msun, velocity km/s");
    EXPECT_EQ(units_text({3.085678e18, 1.989e33, 1.0e5}), "length pc, mass Msun, velocity km/s");
    // A part in a thousand off is another unit: its value in cgs.
    EXPECT_EQ(units_text({3.0887e21, 2.0e33, 1.0e6}), "length 3.0887e+21 cm, mass 2e+33 g, velocity 1e+06 cm/s");

    galtk::ParticleSet model;
    model.resize(1);
    model.pos[0] = {1.0f, 0.0f, 0.0f};
    model.mass[0] = 1.0f;
    Options o;
    o.input = "m.hdf5";
    o.views = {{0.0, 0.0}};
    Grid grid;
    grid.nmesh = 2;
    grid.extent = 2.0f;
    const Maps maps = make_maps(model, o.views, grid, Assignment::ngp, Quantity::density);
    const ModelFacts facts = model_facts(model, false, false);
    EXPECT_EQ(summary_line(o, model, facts, maps).find("units"), std::string::npos);
    model.units = galtk::galactic_units();
    EXPECT_NE(summary_line(o, model, facts, maps).find("; units: length kpc, mass 1e10 Msun, velocity km/s;"),
              std::string::npos);
}

TEST(SnapmapMaps, CommandLineValuesAreChecked) {
    EXPECT_EQ(checked_nmesh(1), 1);
    EXPECT_EQ(checked_nmesh(16384), 16384);
    for (const std::int64_t bad : {std::int64_t{0}, std::int64_t{-5}, std::int64_t{16385}, std::int64_t{1} << 40})
        EXPECT_EQ(status_of([&] { checked_nmesh(bad); }), 1) << bad;
    EXPECT_EQ(checked_extent("12.5"), 12.5f);
    for (const char* bad : {"0", "-1", "-0", "nan", "inf", "-inf", "1e39", "", "3x", "1,5"})
        EXPECT_EQ(status_of([&] { checked_extent(bad); }), 1) << bad;

    const View v = parse_view("60:-30.5");
    EXPECT_EQ(v.inclination, 60.0);
    EXPECT_EQ(v.position_angle, -30.5);
    EXPECT_EQ(parse_view("+180:720").inclination, 180.0);
    for (const char* bad : {"60", "60:", ":30", "a:b", "181:0", "-1:0", "nan:0", "60:inf", "60:30:1", "60 :30"})
        EXPECT_EQ(status_of([&] { parse_view(bad); }), 1) << bad;
}

}  // namespace
}  // namespace snapmap
