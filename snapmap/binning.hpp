// Projected maps of a model: every particle projected on every view's image plane and its
// mass assigned to a square grid of cells, in one pass over the particles.
//
// Grid: nmesh x nmesh cells of side h = 2L/nmesh covering [-L, L)^2 of the image plane
// (u horizontal, v vertical, see view.hpp). Cell (i, j) covers
// u in [-L + i h, -L + (i + 1) h) and v in [-L + j h, -L + (j + 1) h). A particle is inside
// a view's map when its (u, v) lies in [-L, L)^2; the others are left out of that map and
// counted.
//
// Assignment: nearest grid point puts the whole mass in the particle's cell. Cloud in cell
// spreads it over the four cells whose centres surround the particle, with the bilinear
// weights (1 - dx)(1 - dy), dx(1 - dy), (1 - dx)dy, dx dy, where (dx, dy) is the particle's
// offset from the lower-left of these centres in units of h. Within half a cell of the
// map's edge, the share of the cloud beyond the edge stays in the edge cell, so each map
// holds exactly the mass of the particles inside it.
//
// Quantities, each cell from the weighted sums S_m = sum w m, S_1 = sum w m v_los and
// S_2 = sum w m v_los^2 over the particles assigned to it (w the assignment weight):
//   1 surface density       S_m / h^2
//   2 velocity dispersion   sqrt(S_2 / S_m - (S_1 / S_m)^2), mass-weighted
//   3 mean velocity         S_1 / S_m, mass-weighted
// A cell without mass (S_m = 0) holds 0. Sums are carried in double; the maps are float.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "particle_set.hpp"
#include "view.hpp"

namespace snapmap {

enum class Assignment { cic, ngp };
enum class Quantity { density = 1, dispersion = 2, mean_velocity = 3 };

// The largest nmesh accepted: 16384^2 cells a map.
constexpr std::int32_t max_nmesh = 16384;

struct Grid {
    std::int32_t nmesh = 128;
    float extent = 0.0f;  // L: the map covers [-L, L)^2
    double cell_side() const { return 2.0 * double(extent) / nmesh; }
};

struct ViewTally {
    std::size_t inside = 0;
    std::size_t outside = 0;
    double mass_outside = 0.0;
};

struct Maps {
    Grid grid;
    Quantity quantity = Quantity::density;
    std::vector<View> views;
    // Map after map in the order of the views; in each map row j = 0 .. nmesh-1 (v
    // increasing), and in each row cell i = 0 .. nmesh-1 (u increasing): value k of a map
    // is cell (k mod nmesh, k div nmesh).
    std::vector<float> values;
    std::vector<ViewTally> tally;  // one per view

    std::size_t cells() const { return std::size_t(grid.nmesh) * std::size_t(grid.nmesh); }
    std::span<const float> map(std::size_t view) const {
        return std::span<const float>(values).subspan(view * cells(), cells());
    }
};

// The maps of `model` seen from each of `views`. The caller has checked the grid
// (1 <= nmesh <= max_nmesh, extent finite and > 0).
Maps make_maps(const galtk::ParticleSet& model, const std::vector<View>& views, const Grid& grid,
               Assignment assignment, Quantity quantity);

}  // namespace snapmap
